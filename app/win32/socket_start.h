// Start-up's one use of the socket layer: version 1.1 or nothing.
#pragma once

#include <cstdint>

namespace zentho::win32 {

// Whether WSAStartup's answer lets start-up go on: the call succeeded (`startupResult`
// 0) and granted exactly version 1.1 (`grantedVersion` as in WSADATA::wVersion, minor
// number in the high byte). Any other grant, 2.2 included, is a failure.
bool SocketLayerAccepted(int startupResult, std::uint16_t grantedVersion);

// Asks for 1.1; a grant of another version is released again at once.
bool StartSocketLayer();

}  // namespace zentho::win32
