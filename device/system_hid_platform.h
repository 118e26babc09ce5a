// The HID platform of the system the program runs on; the build picks the backend.
#pragma once

#include <memory>

#include "device/hid_platform.h"

namespace zentho::device {

std::unique_ptr<HidPlatform> MakeSystemHidPlatform();

}  // namespace zentho::device
