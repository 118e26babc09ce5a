// The one walk over a snapshot of the present HID interfaces.
#pragma once

#include <cstdint>
#include <functional>

#include "device/hid_platform.h"

namespace zentho::device {

enum class WalkStep : std::uint8_t { Next, Stop };

// Takes a fresh list and gives `visit` each slot in order until it says Stop or the list
// ends; the list is released before this returns. A platform that gives no list is
// walked as an empty one.
void WalkInterfaces(HidPlatform& platform, const std::function<WalkStep(InterfaceSlot&)>& visit);

}  // namespace zentho::device
