// The record file on POSIX systems: one write(2) per line, then fsync.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/cli/station_record.h"

namespace zentho::cli {

void ToUtc(std::time_t time, std::tm& utc) { gmtime_r(&time, &utc); }

RecordFile::~RecordFile() {
  if (fd_ >= 0) close(fd_);
}

bool RecordFile::open(const std::string& path, const std::string& header, std::string& error) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    error = std::strerror(errno);
    return false;
  }
  path_ = path;
  struct stat facts {};
  if (fstat(fd_, &facts) != 0) {
    error = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(facts.st_mode)) {
    error = "not a regular file";
    return false;
  }
  return header.empty() || facts.st_size > 0 || append(header, error);
}

bool RecordFile::append(const std::string& line, std::string& error) {
  struct stat before {};
  const bool sized = fstat(fd_, &before) == 0;
  const ssize_t written = write(fd_, line.data(), line.size());
  if (written != static_cast<ssize_t>(line.size())) {
    error = written < 0 ? std::strerror(errno) : "the disk took only part of the line";
    // A part of a line would read as a damaged record: take it back.
    if (written > 0 && sized) [[maybe_unused]] int ignored = ftruncate(fd_, before.st_size);
    return false;
  }
  if (fsync(fd_) != 0) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace zentho::cli
