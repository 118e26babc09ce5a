// WSAStartup and the check of the version it grants.
#include "app/win32/socket_start.h"

#include <winsock2.h>

namespace zentho::win32 {

bool SocketLayerAccepted(int startupResult, std::uint16_t grantedVersion) {
  return startupResult == 0 && LOBYTE(grantedVersion) == 1 && HIBYTE(grantedVersion) == 1;
}

bool StartSocketLayer() {
  WSADATA data{};
  const int result = WSAStartup(MAKEWORD(1, 1), &data);
  if (SocketLayerAccepted(result, data.wVersion)) return true;
  if (result == 0) WSACleanup();
  return false;
}

}  // namespace zentho::win32
