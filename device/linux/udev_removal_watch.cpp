// The Linux removal watch: one thread polls the udev monitor and the node.
#include "device/linux/udev_removal_watch.h"

#include <fcntl.h>
#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "device/linux/hidraw_device.h"

namespace zentho::device::linux_hid {

std::unique_ptr<UdevRemovalWatch> UdevRemovalWatch::Start(HidrawDevice& device) {
  const int stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (stopFd < 0) return nullptr;
  const int nodeFd = fcntl(device.descriptor(), F_DUPFD_CLOEXEC, 0);

  // Without udevd (containers) the monitor hears nothing, so the node's hang-up is the
  // fallback; with neither there is nothing to watch.
  udev* context = udev_new();
  udev_monitor* monitor = context ? udev_monitor_new_from_netlink(context, "udev") : nullptr;
  if (monitor && (udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
                  udev_monitor_enable_receiving(monitor) < 0)) {
    udev_monitor_unref(monitor);
    monitor = nullptr;
  }
  if (!monitor && nodeFd < 0) {
    if (context) udev_unref(context);
    close(stopFd);
    return nullptr;
  }
  return std::unique_ptr<UdevRemovalWatch>(new UdevRemovalWatch(
      device.removalSignal(), device.path(), device.syspath(), nodeFd, context, monitor, stopFd));
}

UdevRemovalWatch::UdevRemovalWatch(std::shared_ptr<RemovalSignal> signal, std::string devnode,
                                   std::string syspath, int nodeFd, udev* context,
                                   udev_monitor* monitor, int stopFd)
    : signal_(std::move(signal)), devnode_(std::move(devnode)), syspath_(std::move(syspath)),
      nodeFd_(nodeFd), context_(context), monitor_(monitor), stopFd_(stopFd) {
  thread_ = std::thread([this] { watch(); });
}

UdevRemovalWatch::~UdevRemovalWatch() {
  const std::uint64_t one = 1;
  [[maybe_unused]] ssize_t written = write(stopFd_, &one, sizeof one);
  thread_.join();
  if (monitor_) udev_monitor_unref(monitor_);
  if (context_) udev_unref(context_);
  if (nodeFd_ >= 0) close(nodeFd_);
  close(stopFd_);
}

void UdevRemovalWatch::watch() {
  // Events 0 on the node: only hang-up and error count, never input reports that
  // the device may send unasked.
  pollfd fds[3] = {{stopFd_, POLLIN, 0},
                   {monitor_ ? udev_monitor_get_fd(monitor_) : -1, POLLIN, 0},
                   {nodeFd_, 0, 0}};
  for (;;) {
    if (poll(fds, 3, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[0].revents) return;
    if (fds[2].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      signal_->raise();
      return;
    }
    if ((fds[1].revents & POLLIN) && drainMonitor()) {
      signal_->raise();
      return;
    }
    // A broken monitor would wake the loop forever; the node's hang-up still counts.
    if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) fds[1].fd = -1;
  }
}

bool UdevRemovalWatch::drainMonitor() {
  bool ours = false;
  while (udev_device* event = udev_monitor_receive_device(monitor_)) {
    const char* action = udev_device_get_action(event);
    const char* devnode = udev_device_get_devnode(event);
    const char* syspath = udev_device_get_syspath(event);
    // Only the connected node ends the link: another HID device's removal must not
    // break a download in the middle.
    if (action && std::strcmp(action, "remove") == 0 &&
        ((devnode && devnode_ == devnode) || (syspath && syspath_ == syspath))) {
      ours = true;
    }
    udev_device_unref(event);
  }
  return ours;
}

}  // namespace zentho::device::linux_hid
