// The host name on POSIX systems.
#include "app/station/host_name.h"

#include <unistd.h>

namespace zentho::cli {

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

}  // namespace zentho::cli
