// The file guard's POSIX half: a path is looked at, opened without blocking, and the
// file opened is checked to be the one looked at.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/file_guard.h"

namespace zentho {
namespace {

OsError NotRegular() { return {"is not a regular file"}; }

bool Allowed(mode_t mode, OutputKind kind) {
  return S_ISREG(mode) || (kind == OutputKind::FileOrDevice && S_ISCHR(mode));
}

// `fd`, open without O_NONBLOCK from now on, as a stdio stream.
OsResult<FileHandle> Stream(int fd, const char* mode) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const OsError reason = LastOsError();
    ::close(fd);
    return reason;
  }
  std::FILE* file = ::fdopen(fd, mode);
  if (file == nullptr) {
    const OsError reason = LastOsError();
    ::close(fd);
    return reason;
  }
  return FileHandle(file);
}

}  // namespace

OsResult<FileHandle> OpenInput(const std::string& path) {
  struct stat looked {};
  if (::stat(path.c_str(), &looked) != 0) return LastOsError();
  if (S_ISDIR(looked.st_mode)) return OsError{"is a directory"};
  // Devices are never opened: opening a serial port or a tape already acts on it.
  if (!S_ISREG(looked.st_mode)) return NotRegular();
  // O_NONBLOCK: a FIFO put in the file's place since the stat can't hold up the open.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return LastOsError();
  struct stat opened {};
  if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != looked.st_dev ||
      opened.st_ino != looked.st_ino) {
    ::close(fd);
    return NotRegular();
  }
  return Stream(fd, "rb");
}

OsResult<std::uint64_t> FileLength(std::FILE* file) {
  struct stat facts {};
  if (::fstat(::fileno(file), &facts) != 0) return LastOsError();
  return static_cast<std::uint64_t>(facts.st_size);
}

OsResult<FileHandle> OpenOutput(const std::string& path, OutputKind kind) {
  if (std::string problem = OutputProblem(path, kind); !problem.empty()) {
    return OsError{std::move(problem)};
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  // A FIFO without a reader answers ENXIO to a non-blocking open.
  if (fd < 0) return errno == ENXIO ? NotRegular() : LastOsError();
  struct stat opened {};
  if (::fstat(fd, &opened) != 0 || !Allowed(opened.st_mode, kind)) {
    ::close(fd);
    return NotRegular();
  }
  return Stream(fd, "ab");
}

}  // namespace zentho
