// Writes to output files that stop at the first failure.
#include "app/cli/output_files.h"

#include <cerrno>

#include "base/os_result.h"

namespace zentho::cli {

bool WriteOutput(std::FILE* file, std::string_view bytes, std::optional<std::string>& failure) {
  if (failure) return false;
  errno = 0;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (written && std::fflush(file) == 0) return true;
  failure = errno != 0 ? ErrnoText(errno) : "write failed";
  return false;
}

}  // namespace zentho::cli
