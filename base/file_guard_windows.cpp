// The file guard's Windows half: Windows has no FIFOs in the file system, so a path is
// looked at, then opened by the C runtime (whose fopen takes the ANSI code page).
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "base/file_guard.h"
#include "base/native_path.h"

namespace zentho {

OsResult<FileHandle> OpenInput(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(FsPath(path), error);
  if (status.type() == std::filesystem::file_type::directory) return OsError{"is a directory"};
  if (std::filesystem::exists(status) && status.type() != std::filesystem::file_type::regular) {
    return OsError{"is not a regular file"};
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return LastOsError();
  return FileHandle(file);
}

OsResult<std::uint64_t> FileLength(std::FILE* file) {
  struct _stat64 facts {};
  if (_fstat64(_fileno(file), &facts) != 0) return LastOsError();
  return static_cast<std::uint64_t>(facts.st_size);
}

OsResult<FileHandle> OpenOutput(const std::string& path, OutputKind kind) {
  // Windows refuses to open a folder with "Permission denied": the check says what it is.
  if (std::string problem = OutputProblem(path, kind); !problem.empty()) {
    return OsError{std::move(problem)};
  }
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) return LastOsError();
  return FileHandle(file);
}

}  // namespace zentho
