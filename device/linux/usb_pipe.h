// Which pipe the kernel sends output reports on: the interface's interrupt OUT endpoint
// if it has one, unless the usbhid quirk that forces SET_REPORT is set for the device.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "device/hid_platform.h"

namespace zentho::device::linux_hid {

// HID_QUIRK_NO_OUTPUT_REPORTS_ON_INTR_EP: output reports go as SET_REPORT regardless.
inline constexpr std::uint32_t kQuirkNoOutputReportsOnInterruptEndpoint = 0x40000;

// Where usbhid shows the quirks given on its command line or in modprobe.d.
inline constexpr std::string_view kUsbhidQuirksPath = "/sys/module/usbhid/parameters/quirks";

// True when the USB interface at `interfaceSyspath` has an endpoint whose sysfs "type"
// reads Interrupt and "direction" reads out.
bool HasInterruptOutEndpoint(const std::filesystem::path& interfaceSyspath);

// True when usbhid's quirks parameter ("0x4a5d:0x7310:0x40000,(null),...") sets `quirk`
// for the device with `ids`.
bool UsbhidQuirkSet(std::string_view quirksParameter, HidIds ids, std::uint32_t quirk);

// The note for the operator when output reports will travel over an interrupt OUT
// endpoint; nothing when they go as SET_REPORT anyway or the interface is unknown.
std::optional<std::string> OutputPipeNote(const std::filesystem::path& interfaceSyspath,
                                          const std::filesystem::path& quirksPath, HidIds ids);

}  // namespace zentho::device::linux_hid
