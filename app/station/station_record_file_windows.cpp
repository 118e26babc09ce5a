// The record file on Windows: one _write per line, then _commit (FlushFileBuffers).
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "app/station/station_record.h"

namespace zentho::cli {

void ToUtc(std::time_t time, std::tm& utc) { gmtime_s(&utc, &time); }

RecordFile::~RecordFile() {
  if (fd_ >= 0) _close(fd_);
}

OsResult<void> RecordFile::open(const std::string& path, const std::string& header) {
  // Windows refuses to open a folder with "Permission denied": say what it is instead.
  std::error_code unknown;
  if (std::filesystem::is_directory(path, unknown)) return OsError{ErrnoText(EISDIR)};
  fd_ = _open(path.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY | _O_NOINHERIT,
              _S_IREAD | _S_IWRITE);
  if (fd_ < 0) return LastOsError();
  path_ = path;
  struct _stat64 facts {};
  if (_fstat64(fd_, &facts) != 0) return LastOsError();
  if ((facts.st_mode & _S_IFMT) != _S_IFREG) return OsError{"not a regular file"};
  if (header.empty() || facts.st_size > 0) return {};
  return append(header);
}

OsResult<void> RecordFile::append(const std::string& line) {
  struct _stat64 before {};
  const bool sized = _fstat64(fd_, &before) == 0;
  const int written = _write(fd_, line.data(), static_cast<unsigned>(line.size()));
  if (written < 0 || static_cast<std::size_t>(written) != line.size()) {
    OsError failed = written < 0 ? LastOsError() : OsError{"the disk took only part of the line"};
    // A part of a line would read as a damaged record: take it back.
    if (written > 0 && sized) _chsize_s(fd_, before.st_size);
    return failed;
  }
  if (_commit(fd_) != 0) return LastOsError();
  return {};
}

}  // namespace zentho::cli
