// The Linux arrival watch: one thread polls a udev monitor of subsystem "hidraw".
#include "device/linux/udev_arrival_watch.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace zentho::device::linux_hid {

std::unique_ptr<UdevArrivalWatch> UdevArrivalWatch::Start() {
  udev* context = udev_new();
  if (!context) return nullptr;
  // The "udev" source, not "kernel": its events come after the rules have run, so the
  // node exists and the operator's access to it has been granted.
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
  const int stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (!monitor || stopFd < 0 ||
      udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor) < 0) {
    if (monitor) udev_monitor_unref(monitor);
    if (stopFd >= 0) close(stopFd);
    udev_unref(context);
    return nullptr;
  }
  return std::unique_ptr<UdevArrivalWatch>(new UdevArrivalWatch(context, monitor, stopFd));
}

UdevArrivalWatch::UdevArrivalWatch(udev* context, udev_monitor* monitor, int stopFd)
    : context_(context), monitor_(monitor), stopFd_(stopFd) {
  thread_ = std::thread([this] { watch(); });
}

UdevArrivalWatch::~UdevArrivalWatch() {
  const std::uint64_t one = 1;
  [[maybe_unused]] ssize_t written = write(stopFd_, &one, sizeof one);
  thread_.join();
  udev_monitor_unref(monitor_);
  udev_unref(context_);
  close(stopFd_);
}

void UdevArrivalWatch::watch() {
  pollfd fds[2] = {{stopFd_, POLLIN, 0}, {udev_monitor_get_fd(monitor_), POLLIN, 0}};
  for (;;) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[0].revents) return;
    if (fds[1].revents & POLLIN) drainMonitor();
    // A broken monitor would wake the loop forever; the caller's own looks go on.
    if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) fds[1].fd = -1;
  }
}

void UdevArrivalWatch::drainMonitor() {
  while (udev_device* event = udev_monitor_receive_device(monitor_)) {
    const char* action = udev_device_get_action(event);
    const char* devnode = udev_device_get_devnode(event);
    if (action && devnode) {
      if (std::strcmp(action, "add") == 0) {
        queue_.push({InterfaceChange::Kind::Arrived, devnode});
      } else if (std::strcmp(action, "remove") == 0) {
        queue_.push({InterfaceChange::Kind::Departed, devnode});
      }
    }
    udev_device_unref(event);
  }
}

}  // namespace zentho::device::linux_hid
