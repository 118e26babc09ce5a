// The OS's words for an errno value.
#include "transfer/os_result.h"

#include <cerrno>
#include <cstring>

namespace zentho {

std::string ErrnoText(int errnum) { return std::strerror(errnum); }

OsError LastOsError() { return {ErrnoText(errno)}; }

}  // namespace zentho
