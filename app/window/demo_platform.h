// Demo mode: a simulated bus whose one device (IDs 4A5D:7310) is all there is.
#pragma once

#include <memory>

#include "device/hid_platform.h"
#include "transfer/clock.h"

namespace zentho::window {

// The device charges its bus time to `clock` at 1 ms a USB packet, so that a download
// on the real clock takes as long as on a full-speed device.
std::unique_ptr<device::HidPlatform> MakeDemoPlatform(Clock& clock);

}  // namespace zentho::window
