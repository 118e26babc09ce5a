// The OS's words for an errno value.
#include "base/os_result.h"

#include <cerrno>
#include <cstring>

namespace zentho {

namespace {

// strerror_r comes in two shapes: the GNU one returns the text, the POSIX one fills the
// buffer. Both are safe from several threads, unlike strerror.
[[maybe_unused]] const char* TextOf(const char* text, const char*) { return text; }
[[maybe_unused]] const char* TextOf(int failed, const char* buffer) {
  return failed == 0 ? buffer : "Unknown error";
}

}  // namespace

std::string ErrnoText(int errnum) {
#if defined(_WIN32)
  return std::strerror(errnum);  // the C runtime keeps its buffer per thread
#else
  char buffer[256] = {};
  return TextOf(strerror_r(errnum, buffer, sizeof buffer), buffer);
#endif
}

OsError LastOsError() { return {ErrnoText(errno)}; }

}  // namespace zentho
