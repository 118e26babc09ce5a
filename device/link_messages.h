// Every log and debug-trace text of the device link, kept in one place for the
// search, the admission, the front ends and the tests. The lines about one interface
// come without a line end: the window ends them with CR LF, its debug trace and the
// command line with LF.
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

inline std::string IdText(HidIds ids) {
  char idText[16];
  std::snprintf(idText, sizeof idText, "%04x:%04x", unsigned{ids.vendorId}, unsigned{ids.productId});
  return idText;
}

// A present interface with the target IDs that could not be opened, with the OS's reason.
inline std::string CannotOpenDevice(std::string_view path, HidIds ids, std::string_view reason) {
  std::string line = "Cannot open device ";
  line.append(path).append(" (").append(IdText(ids)).append("): ").append(reason);
  return line;
}

// Why an interface with the target IDs is passed over although it opened: on Linux the
// keyboard and mouse nodes of a composite device open like the vendor one.
inline constexpr std::string_view kNotDownloadInterface = "not the download interface";
inline constexpr std::string_view kDescriptorUnreadable = "its report descriptor cannot be read";
// An interface listed with the target IDs whose open node does not give them.
inline constexpr std::string_view kIdsUnreadable = "its vendor and product ID cannot be read";

inline std::string SkippedDevice(std::string_view path, HidIds ids, std::string_view reason) {
  std::string line = "Skipped device ";
  line.append(path).append(" (").append(IdText(ids)).append("): ").append(reason);
  return line;
}

inline std::string IdsUnreadable(std::string_view path, std::string_view reason) {
  std::string line(path);
  line.append(": ").append(kIdsUnreadable).append(": ").append(reason);
  return line;
}

// The failure reason of an exchange tried after the link was released.
inline constexpr std::string_view kLinkReleased = "the link to the device has been released";

// Why every report exchange fails on a Linux kernel older than 5.11.
inline constexpr std::string_view kKernelLacksReportIoctls =
    "This Linux kernel cannot exchange HID reports on request (HIDIOCSOUTPUT and "
    "HIDIOCGINPUT need Linux 5.11 or later)";

// Linux sends output reports over an interrupt OUT endpoint when the interface has one,
// where Windows always sends SET_REPORT on the control pipe.
inline std::string OutputReportsOnInterruptPipe(HidIds ids) {
  char quirk[32];
  std::snprintf(quirk, sizeof quirk, "0x%04x:0x%04x:0x40000", unsigned{ids.vendorId},
                unsigned{ids.productId});
  std::string line = "The device's interface has an interrupt OUT endpoint, so Linux sends the "
                     "output report there and not as SET_REPORT on the control pipe. If the device "
                     "takes it only as SET_REPORT, set the usbhid quirk ";
  line.append(quirk).append(
      " (install resources/zentho-iap-usbhid.conf in /etc/modprobe.d, then reload usbhid or "
      "reboot)");
  return line;
}

}  // namespace zentho::device::msg
