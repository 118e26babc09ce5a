// Hears hidraw nodes arrive and leave: a libudev monitor read on its own thread.
#pragma once

#include <memory>
#include <thread>

#include "device/arrival_queue.h"
#include "device/hid_platform.h"

struct udev;
struct udev_monitor;

namespace zentho::device::linux_hid {

// Hears only what udevd announces: in a container without udevd nothing arrives, so the
// caller still lists the nodes again now and then.
class UdevArrivalWatch final : public ArrivalWatch {
 public:
  // Null when no monitor can be had.
  static std::unique_ptr<UdevArrivalWatch> Start();
  ~UdevArrivalWatch() override;
  UdevArrivalWatch(const UdevArrivalWatch&) = delete;
  UdevArrivalWatch& operator=(const UdevArrivalWatch&) = delete;

  std::vector<InterfaceChange> take() override { return queue_.take(); }
  void setNotify(std::function<void()> notify) override { queue_.setNotify(std::move(notify)); }

 private:
  UdevArrivalWatch(udev* context, udev_monitor* monitor, int stopFd);
  void watch();
  void drainMonitor();

  udev* context_;
  udev_monitor* monitor_;
  const int stopFd_;
  ArrivalQueue queue_;
  std::thread thread_;
};

}  // namespace zentho::device::linux_hid
