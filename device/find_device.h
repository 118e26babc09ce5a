// The search for the target device among the present HID interfaces.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "device/device_link.h"
#include "device/hid_platform.h"

namespace zentho::device {

using LinkLog = std::function<void(std::string_view)>;

// Walks the interfaces in the platform's order and connects the first that
// AdmitInterface admits: IDs equal to the targets (all 32 bits compared, so a target
// above 0xFFFF matches nothing) and an interface that takes downloads. Every other interface it opens is
// closed again and the ones after the match are never opened. On failure it appends
// exactly one of msg::kAllocateMemoryFail, msg::kDetailReadFail or msg::kEnumDeviceOver,
// preceded by a msg::CannotOpenDevice line for each interface that carries the target
// IDs but could not be opened and a msg::SkippedDevice line for each one passed over
// as not the download interface (not for another collection of the device, which the
// search passes over without a word, as the system's keyboards and mice).
// Those lines end in CR LF. On success nothing is appended: they go to `trace` (LF
// line ends), if given.
std::shared_ptr<DeviceLink> FindDevice(HidPlatform& platform, std::uint32_t targetVendorId,
                                       std::uint32_t targetProductId, const LinkLog& log,
                                       const LinkLog& trace = {});

}  // namespace zentho::device
