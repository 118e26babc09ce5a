// Reading the kernel release and comparing it with 5.11.
#include "device/linux/kernel_release.h"

#include <sys/utsname.h>

#include <charconv>

namespace zentho::device::linux_hid {
namespace {

// Reads the decimal number at `at` and steps past it; nothing when there is none.
bool ReadNumber(std::string_view text, std::size_t& at, unsigned& value) {
  const char* begin = text.data() + at;
  auto [end, ec] = std::from_chars(begin, text.data() + text.size(), value);
  if (ec != std::errc{}) return false;
  at += static_cast<std::size_t>(end - begin);
  return true;
}

}  // namespace

std::string RunningKernelRelease() {
  utsname names{};
  if (uname(&names) != 0) return {};
  return names.release;
}

bool KernelLacksReportIoctls(std::string_view release) {
  std::size_t at = 0;
  unsigned major = 0;
  unsigned minor = 0;
  if (!ReadNumber(release, at, major) || at >= release.size() || release[at] != '.') return false;
  ++at;
  if (!ReadNumber(release, at, minor)) return false;
  return major < 5 || (major == 5 && minor < 11);
}

}  // namespace zentho::device::linux_hid
