// The record file on Windows: one _write per line, then _commit (FlushFileBuffers).
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/cli/station_record.h"

namespace zentho::cli {

void ToUtc(std::time_t time, std::tm& utc) { gmtime_s(&utc, &time); }

RecordFile::~RecordFile() {
  if (fd_ >= 0) _close(fd_);
}

bool RecordFile::open(const std::string& path, const std::string& header, std::string& error) {
  // Windows refuses to open a folder with "Permission denied": say what it is instead.
  std::error_code unknown;
  if (std::filesystem::is_directory(path, unknown)) {
    error = std::strerror(EISDIR);
    return false;
  }
  fd_ = _open(path.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY | _O_NOINHERIT,
              _S_IREAD | _S_IWRITE);
  if (fd_ < 0) {
    error = std::strerror(errno);
    return false;
  }
  path_ = path;
  struct _stat64 facts {};
  if (_fstat64(fd_, &facts) != 0) {
    error = std::strerror(errno);
    return false;
  }
  if ((facts.st_mode & _S_IFMT) != _S_IFREG) {
    error = "not a regular file";
    return false;
  }
  return header.empty() || facts.st_size > 0 || append(header, error);
}

bool RecordFile::append(const std::string& line, std::string& error) {
  struct _stat64 before {};
  const bool sized = _fstat64(fd_, &before) == 0;
  const int written = _write(fd_, line.data(), static_cast<unsigned>(line.size()));
  if (written < 0 || static_cast<std::size_t>(written) != line.size()) {
    error = written < 0 ? std::strerror(errno) : "the disk took only part of the line";
    // A part of a line would read as a damaged record: take it back.
    if (written > 0 && sized) _chsize_s(fd_, before.st_size);
    return false;
  }
  if (_commit(fd_) != 0) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace zentho::cli
