// An append-only file on POSIX systems: one write(2) per line, then fsync.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/durable_file.h"
#include "base/file_guard.h"

namespace zentho {

DurableAppendFile::~DurableAppendFile() {
  if (fd_ >= 0) close(fd_);
}

OsResult<void> DurableAppendFile::open(const std::string& path, const std::string& header) {
  if (std::string problem = OutputProblem(path, OutputKind::RegularFile); !problem.empty()) {
    return OsError{std::move(problem)};
  }
  // Read as well as append, to see how the file ends; O_NONBLOCK so that a FIFO put in
  // its place since the look can't hold up the open.
  fd_ = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd_ < 0) return LastOsError();
  path_ = path;
  struct stat facts {};
  if (fstat(fd_, &facts) != 0) return LastOsError();
  if (!S_ISREG(facts.st_mode)) return OsError{"is not a regular file"};
  if (facts.st_size > 0) {
    char last = '\n';
    if (pread(fd_, &last, 1, facts.st_size - 1) != 1) return LastOsError();
    needsLineBreak_ = last != '\n';
  }
  if (header.empty() || facts.st_size > 0) return {};
  return append(header);
}

OsResult<void> DurableAppendFile::append(const std::string& line) {
  const std::string whole = needsLineBreak_ ? LineEndOf(line) + line : line;
  struct stat before {};
  const bool sized = fstat(fd_, &before) == 0;
  const ssize_t written = write(fd_, whole.data(), whole.size());
  if (written != static_cast<ssize_t>(whole.size())) {
    OsError failed = written < 0 ? LastOsError() : OsError{"the disk took only part of the line"};
    // A part of a line would read as a damaged record: take it back.
    if (written > 0 && sized) [[maybe_unused]] int ignored = ftruncate(fd_, before.st_size);
    return failed;
  }
  needsLineBreak_ = false;
  if (fsync(fd_) != 0) return LastOsError();
  return {};
}

}  // namespace zentho
