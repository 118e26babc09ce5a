// Hears HID interfaces arrive and leave: the notification window's arrivals and
// departures, named as the interface list names them, queued for the front end.
#pragma once

#include <memory>

#include "device/arrival_queue.h"
#include "device/hid_platform.h"
#include "device/windows/interface_change_names.h"
#include "device/windows/notification_window.h"

namespace zentho::device::windows_hid {

class InterfaceArrivalWatch final : public ArrivalWatch {
 public:
  // Null when the window or its thread cannot be had. `listPaths` runs once here and
  // then on the window's thread.
  static std::unique_ptr<InterfaceArrivalWatch> Start(InterfaceChangeNames::ListPaths listPaths);
  InterfaceArrivalWatch(const InterfaceArrivalWatch&) = delete;
  InterfaceArrivalWatch& operator=(const InterfaceArrivalWatch&) = delete;

  std::vector<InterfaceChange> take() override { return queue_.take(); }
  void setNotify(std::function<void()> notify) override { queue_.setNotify(std::move(notify)); }

  // The window that receives WM_DEVICECHANGE (an HWND), for tests that send it one.
  void* window() const { return window_->window(); }
  bool registered() const { return window_->registered(); }

 private:
  explicit InterfaceArrivalWatch(InterfaceChangeNames::ListPaths listPaths) : names_(std::move(listPaths)) {}

  InterfaceChangeNames names_;  // the window's thread's once it runs
  ArrivalQueue queue_;
  // Last: the window's thread ends before the names and the queue go.
  std::unique_ptr<NotificationWindow> window_;
};

}  // namespace zentho::device::windows_hid
