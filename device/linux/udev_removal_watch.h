// Watches the connected hidraw node for removal: a libudev monitor on subsystem
// "hidraw" matched by the node's name or syspath, and hang-up on its descriptor.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "device/hid_platform.h"
#include "device/linux/removal_signal.h"

struct udev;
struct udev_monitor;

namespace zentho::device::linux_hid {

class HidrawDevice;

class UdevRemovalWatch final : public RemovalWatch {
 public:
  // Null when neither the monitor nor a copy of the node's descriptor can be had.
  static std::unique_ptr<UdevRemovalWatch> Start(HidrawDevice& device);
  ~UdevRemovalWatch() override;

  bool removed() const override { return signal_->raised(); }
  int descriptor() const override { return signal_->descriptor(); }
  void setNotify(std::function<void()> notify) override { signal_->setNotify(std::move(notify)); }

 private:
  UdevRemovalWatch(std::shared_ptr<RemovalSignal> signal, std::string devnode,
                   std::string syspath, int nodeFd, udev* context, udev_monitor* monitor,
                   int stopFd);
  void watch();
  // True when the monitor's pending events include the removal of our node.
  bool drainMonitor();

  std::shared_ptr<RemovalSignal> signal_;
  const std::string devnode_;
  const std::string syspath_;
  // A duplicate of the node's descriptor: the link may close its own at any time,
  // while this one stays valid until the watch ends.
  const int nodeFd_;
  udev* context_;
  udev_monitor* monitor_;
  const int stopFd_;
  std::thread thread_;
};

}  // namespace zentho::device::linux_hid
