// A download interface's path as Windows names it, for the backend's tests (portable:
// the name parsing is tested on every system).
#pragma once

namespace zentho::device::windows_hid::records {

inline constexpr char kHidInterfacePath[] =
    R"(\\?\hid#vid_4a5d&pid_7310#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})";

}  // namespace zentho::device::windows_hid::records
