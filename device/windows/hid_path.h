// What a HID interface's device path tells without opening it.
#pragma once

#include <optional>
#include <string_view>

#include "device/hid_platform.h"

namespace zentho::device::windows_hid {

// The IDs in a path such as "\\?\hid#vid_4a5d&pid_7310#7&...#{4d1e55b2-...}" (any case);
// nothing when the path carries no "vid_XXXX&pid_XXXX".
std::optional<HidIds> IdsFromPath(std::string_view path);

// Windows compares device paths without regard to case (ASCII letters only).
bool SamePath(std::string_view a, std::string_view b);

}  // namespace zentho::device::windows_hid
