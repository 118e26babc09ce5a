// Which kernel runs, so that a refused report ioctl is blamed on its age only when old.
#pragma once

#include <string>
#include <string_view>

namespace zentho::device::linux_hid {

// The running kernel's release as uname gives it ("6.1.0-27-amd64"); empty if unknown.
std::string RunningKernelRelease();

// True when `release` names a kernel older than 5.11, the first with HIDIOCSOUTPUT and
// HIDIOCGINPUT. A release that can't be read is not taken for an old one.
bool KernelLacksReportIoctls(std::string_view release);

}  // namespace zentho::device::linux_hid
