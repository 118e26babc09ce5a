// Watches the connected interface for removal: a message-only window on a thread of its
// own, registered for the HID class's device-interface notifications, that compares
// each removal's interface name with the connected path.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <future>
#include <thread>

#include "device/hid_platform.h"
#include "device/removal_flag.h"

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
  ~NotificationWatch() override;
  NotificationWatch(const NotificationWatch&) = delete;
  NotificationWatch& operator=(const NotificationWatch&) = delete;

  bool removed() const override { return flag_.raised(); }
  int descriptor() const override { return -1; }
  void setNotify(std::function<void()> notify) override { flag_.setNotify(std::move(notify)); }

  // The window that receives WM_DEVICECHANGE (an HWND), for tests that send it one.
  void* window() const { return window_; }
  bool registered() const { return registration_ != nullptr; }

 private:
  explicit NotificationWatch(std::string path) : path_(std::move(path)) {}
  static std::intptr_t __stdcall WindowProcedure(void* window, unsigned message,
                                                 std::uintptr_t wParam, std::intptr_t lParam);
  void run(std::promise<bool>& ready);

  const std::string path_;
  RemovalFlag flag_;
  void* window_ = nullptr;        // written by the watch's thread before Start returns
  void* registration_ = nullptr;  // HDEVNOTIFY, the watch's thread's alone afterwards
  std::thread thread_;
};

}  // namespace zentho::device::windows_hid
