// What the USB device above a HID interface tells about where it sits and which board it
// is: its instance ID and its location properties, read as text. No Windows headers.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zentho::device::windows_hid {

// True for the instance ID of a whole USB device, "USB\VID_4A5D&PID_7310\SN0042" (any
// case): three parts, the first "USB", the second without an interface number ("&MI_"),
// which a function of a composite device has.
bool IsUsbDeviceInstance(std::string_view instanceId);

// The serial number string a USB device's instance ID ends in, "SN0042" above. A device
// without one gets a name Windows makes up, which always holds '&' ("5&2a1b3c&0&2"):
// then nothing. The system may have changed the serial's letter case.
std::string SerialFromInstanceId(std::string_view instanceId);

// The first string of a REG_MULTI_SZ value (strings ended by NUL, an empty one last):
// "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(3)". Stops at the end of `value` when a
// NUL is missing.
std::string FirstOfMultiString(std::span<const char> value);

// The configuration manager's name for `code` (a CONFIGRET), "CR_NO_SUCH_DEVNODE
// (configuration manager error 13)"; the number alone for a code it has no name for.
std::string ConfigRetText(std::uint32_t code);

}  // namespace zentho::device::windows_hid
