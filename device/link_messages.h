// Every log and debug-trace text of the device link, kept in one place for the
// search, the front ends and the tests.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "device/hid_platform.h"

namespace zentho::device::msg {

// The search's own endings.
inline constexpr std::string_view kAllocateMemoryFail = "allocate memory fail\r\n";
inline constexpr std::string_view kDetailReadFail = "SetupDiGetDeviceInterfaceDetail fail\r\n";
inline constexpr std::string_view kEnumDeviceOver = "Enum device over\r\n";

// Lines the window writes around a connect, a disconnect and a removal.
inline constexpr std::string_view kFindDevice = "--- Find device ---\r\n\r\n";
inline constexpr std::string_view kDeviceNotFound = "--- Device not found ---\r\n\r\n";
inline constexpr std::string_view kDisconnectDevice = "--- Disconnect device ---\r\n\r\n";
inline constexpr std::string_view kDeviceUnplugged = "--- Device Unpluged---\r\n\r\n";
inline constexpr std::string_view kTraceOnClose = "-->OnClose\n";

// A present interface with the target IDs that could not be opened, with the OS's reason.
inline std::string CannotOpenDevice(std::string_view path, HidIds ids, std::string_view reason) {
  char idText[16];
  std::snprintf(idText, sizeof idText, "%04x:%04x", unsigned{ids.vendorId}, unsigned{ids.productId});
  std::string line = "Cannot open device ";
  line.append(path).append(" (").append(idText).append("): ").append(reason).append("\r\n");
  return line;
}

// Why every report exchange fails on a Linux kernel older than 5.11.
inline constexpr std::string_view kKernelLacksReportIoctls =
    "This Linux kernel cannot exchange HID reports on request (HIDIOCSOUTPUT and "
    "HIDIOCGINPUT need Linux 5.11 or later)\r\n";

}  // namespace zentho::device::msg
