// A message-only window on a thread of its own, registered for the HID interface class's
// device-interface notifications: every WM_DEVICECHANGE it gets goes to a handler on
// that thread. The removal watch and the arrival watch are built on it.
#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace zentho::device::windows_hid {

// The interface name a WM_DEVICECHANGE record (its lParam) carries: nothing when the
// record is null or not a device-interface record. Windows may hand even an ANSI window
// the name in UTF-16, which is read as the ASCII a path is made of ('?' for the rest).
std::optional<std::string> InterfaceName(const void* record);

class NotificationWindow {
 public:
  // `eventCode` is the wParam, `record` the lParam (may be null).
  using Handler = std::function<void(std::uintptr_t eventCode, const void* record)>;

  // Null when the window or its thread cannot be had. A failed registration still gives
  // a window, which then hears nothing from the system (the reason goes to the debug
  // output).
  static std::unique_ptr<NotificationWindow> Start(Handler handler);
  // Closes the window and waits for its thread: the handler has returned for good.
  ~NotificationWindow();
  NotificationWindow(const NotificationWindow&) = delete;
  NotificationWindow& operator=(const NotificationWindow&) = delete;

  // The window (an HWND), for tests that send it crafted messages.
  void* window() const { return window_; }
  bool registered() const { return registration_ != nullptr; }

 private:
  explicit NotificationWindow(Handler handler) : handler_(std::move(handler)) {}
  static std::intptr_t __stdcall WindowProcedure(void* window, unsigned message,
                                                 std::uintptr_t wParam, std::intptr_t lParam);
  void run(std::promise<bool>& ready);

  const Handler handler_;
  void* window_ = nullptr;        // written by the window's thread before Start returns
  void* registration_ = nullptr;  // HDEVNOTIFY, the window's thread's alone afterwards
  std::thread thread_;
};

}  // namespace zentho::device::windows_hid
