// The host name on Windows: the DNS host name, as `hostname` prints it.
#include "app/station/host_name.h"

#include <windows.h>

namespace zentho::cli {

std::string HostName() {
  char name[256] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameExA(ComputerNameDnsHostname, name, &size)) return {};
  return std::string(name, size);
}

}  // namespace zentho::cli
