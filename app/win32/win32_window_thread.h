// The window's thread under Win32: the worker's synchronous requests go by SendMessage,
// posted events by PostMessage, both to the main dialog.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>

#include "app/window/window_thread.h"

namespace zentho::win32 {

inline constexpr UINT kWmInvoke = WM_APP + 1;  // lParam: const std::function<void()>*
inline constexpr UINT kWmPosted = WM_APP + 2;  // wakes the window for the posted events

class Win32WindowThread final : public window::WindowThread {
 public:
  // Called on the window's thread once the dialog exists, and with null as it goes;
  // events still queued then are dropped.
  void attach(HWND dialog);

  void invoke(const std::function<void()>& request) override;
  void post(std::function<void()> event) override;

  // The dialog procedure's side: true when `message` was one of ours and has been run.
  bool handle(UINT message, LPARAM lParam);

 private:
  void runPosted();

  std::atomic<HWND> dialog_{nullptr};
  std::atomic<DWORD> windowThreadId_{GetCurrentThreadId()};
  std::mutex mutex_;
  // The system delivers sent messages before posted ones, so the events wait here and
  // every request first runs those queued before it: one order, as the thread sent them.
  std::deque<std::function<void()>> posted_;
};

}  // namespace zentho::win32
