// Watches the connected interface for removal: the notification window's removals,
// each interface name compared with the connected path.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "device/hid_platform.h"
#include "device/removal_flag.h"
#include "device/windows/notification_window.h"

namespace zentho::device::windows_hid {

// True when `eventCode` and `record` (WM_DEVICECHANGE's wParam and lParam) announce
// that the interface named `path` has gone: DBT_DEVICEREMOVECOMPLETE with a
// device-interface record whose name equals the path, case aside. `record` may be null.
bool IsRemovalOf(std::uintptr_t eventCode, const void* record, std::string_view path);

class NotificationWatch final : public RemovalWatch {
 public:
  // Null when the window or its thread cannot be had. A failed registration still gives
  // a watch, which then hears of no removal (the reason goes to the debug output).
  static std::unique_ptr<NotificationWatch> Start(const std::string& path);
  NotificationWatch(const NotificationWatch&) = delete;
  NotificationWatch& operator=(const NotificationWatch&) = delete;

  bool removed() const override { return flag_.raised(); }
  int descriptor() const override { return -1; }
  void setNotify(std::function<void()> notify) override { flag_.setNotify(std::move(notify)); }

  // The window that receives WM_DEVICECHANGE (an HWND), for tests that send it one.
  void* window() const { return window_->window(); }
  bool registered() const { return window_->registered(); }

 private:
  explicit NotificationWatch(std::string path) : path_(std::move(path)) {}

  const std::string path_;
  RemovalFlag flag_;
  // Last: the window's thread ends before the flag goes.
  std::unique_ptr<NotificationWindow> window_;
};

}  // namespace zentho::device::windows_hid
