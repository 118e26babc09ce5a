// The hidraw report ioctls, defined here when the kernel headers are older than 5.11.
#pragma once

#include <linux/hidraw.h>
#include <sys/ioctl.h>

#ifndef HIDIOCGINPUT
#define HIDIOCGINPUT(len) _IOC(_IOC_WRITE | _IOC_READ, 'H', 0x0A, len)
#endif
#ifndef HIDIOCSOUTPUT
#define HIDIOCSOUTPUT(len) _IOC(_IOC_WRITE | _IOC_READ, 'H', 0x0B, len)
#endif

namespace zentho::device::linux_hid {

// The kernel's limits on the length of a report ioctl, report ID included.
inline constexpr std::size_t kMinReportIoctlLength = 2;
inline constexpr std::size_t kMaxReportIoctlLength = 16383;

}  // namespace zentho::device::linux_hid
