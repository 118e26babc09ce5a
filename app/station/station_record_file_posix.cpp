// The record file on POSIX systems: one write(2) per line, then fsync.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "app/station/station_record.h"

namespace zentho::cli {

void ToUtc(std::time_t time, std::tm& utc) { gmtime_r(&time, &utc); }

RecordFile::~RecordFile() {
  if (fd_ >= 0) close(fd_);
}

OsResult<void> RecordFile::open(const std::string& path, const std::string& header) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) return LastOsError();
  path_ = path;
  struct stat facts {};
  if (fstat(fd_, &facts) != 0) return LastOsError();
  if (!S_ISREG(facts.st_mode)) return OsError{"not a regular file"};
  if (header.empty() || facts.st_size > 0) return {};
  return append(header);
}

OsResult<void> RecordFile::append(const std::string& line) {
  struct stat before {};
  const bool sized = fstat(fd_, &before) == 0;
  const ssize_t written = write(fd_, line.data(), line.size());
  if (written != static_cast<ssize_t>(line.size())) {
    OsError failed = written < 0 ? LastOsError() : OsError{"the disk took only part of the line"};
    // A part of a line would read as a damaged record: take it back.
    if (written > 0 && sized) [[maybe_unused]] int ignored = ftruncate(fd_, before.st_size);
    return failed;
  }
  if (fsync(fd_) != 0) return LastOsError();
  return {};
}

}  // namespace zentho::cli
