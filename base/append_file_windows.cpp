// An append-only file on Windows: one _write per line, then _commit (FlushFileBuffers).
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>

#include "base/durable_file.h"
#include "base/file_guard.h"

namespace zentho {

DurableAppendFile::~DurableAppendFile() {
  if (fd_ >= 0) _close(fd_);
}

OsResult<void> DurableAppendFile::open(const std::string& path, const std::string& header) {
  // Windows refuses to open a folder with "Permission denied": the guard says what it is.
  if (std::string problem = OutputProblem(path, OutputKind::RegularFile); !problem.empty()) {
    return OsError{std::move(problem)};
  }
  // Read as well as append, to see how the file ends.
  fd_ = _open(path.c_str(), _O_RDWR | _O_APPEND | _O_CREAT | _O_BINARY | _O_NOINHERIT,
              _S_IREAD | _S_IWRITE);
  if (fd_ < 0) return LastOsError();
  path_ = path;
  struct _stat64 facts {};
  if (_fstat64(fd_, &facts) != 0) return LastOsError();
  if ((facts.st_mode & _S_IFMT) != _S_IFREG) return OsError{"is not a regular file"};
  if (facts.st_size > 0) {
    char last = '\n';
    if (_lseeki64(fd_, facts.st_size - 1, SEEK_SET) < 0 || _read(fd_, &last, 1) != 1) {
      return LastOsError();
    }
    needsLineBreak_ = last != '\n';
  }
  if (header.empty() || facts.st_size > 0) return {};
  return append(header);
}

OsResult<void> DurableAppendFile::append(const std::string& line) {
  const std::string whole = needsLineBreak_ ? LineEndOf(line) + line : line;
  struct _stat64 before {};
  const bool sized = _fstat64(fd_, &before) == 0;
  const int written = _write(fd_, whole.data(), static_cast<unsigned>(whole.size()));
  if (written < 0 || static_cast<std::size_t>(written) != whole.size()) {
    OsError failed = written < 0 ? LastOsError() : OsError{"the disk took only part of the line"};
    // A part of a line would read as a damaged record: take it back.
    if (written > 0 && sized) _chsize_s(fd_, before.st_size);
    return failed;
  }
  needsLineBreak_ = false;
  if (_commit(fd_) != 0) return LastOsError();
  return {};
}

}  // namespace zentho
