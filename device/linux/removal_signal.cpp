// The eventfd behind a Linux removal watch.
#include "device/linux/removal_signal.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace zentho::device::linux_hid {

RemovalSignal::RemovalSignal() : eventFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

RemovalSignal::~RemovalSignal() {
  if (eventFd_ >= 0) close(eventFd_);
}

void RemovalSignal::raise() {
  // The descriptor turns readable once the flag is up and stays readable, so a poll
  // loop that looks late still sees it.
  flag_.raise([this] {
    if (eventFd_ < 0) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(eventFd_, &one, sizeof one);
  });
}

}  // namespace zentho::device::linux_hid
