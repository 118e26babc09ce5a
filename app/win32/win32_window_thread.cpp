// SendMessage and PostMessage carrying the worker's requests to the dialog.
#include "app/win32/win32_window_thread.h"

namespace zentho::win32 {

void Win32WindowThread::attach(HWND dialog) {
  windowThreadId_.store(GetCurrentThreadId());
  dialog_.store(dialog);
  if (dialog == nullptr) {
    std::lock_guard lock(mutex_);
    posted_.clear();
  }
}

void Win32WindowThread::invoke(const std::function<void()>& request) {
  if (GetCurrentThreadId() == windowThreadId_.load()) {
    request();
    return;
  }
  // SendMessage waits until the dialog's thread has run it; that thread handles sent
  // messages even inside a nested modal loop and never waits for the worker. Once the
  // dialog has gone the request is dropped.
  if (const HWND dialog = dialog_.load()) {
    SendMessageA(dialog, kWmInvoke, 0, reinterpret_cast<LPARAM>(&request));
  }
}

void Win32WindowThread::post(std::function<void()> event) {
  const HWND dialog = dialog_.load();
  if (dialog == nullptr) return;
  {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(event));
  }
  PostMessageA(dialog, kWmPosted, 0, 0);
}

bool Win32WindowThread::handle(UINT message, LPARAM lParam) {
  if (message == kWmInvoke) {
    runPosted();
    (*reinterpret_cast<const std::function<void()>*>(lParam))();
    return true;
  }
  if (message == kWmPosted) {
    runPosted();
    return true;
  }
  return false;
}

void Win32WindowThread::runPosted() {
  // One at a time: an event may end the window or open a nested loop, and what is left
  // still runs in order from there.
  while (true) {
    std::function<void()> event;
    {
      std::lock_guard lock(mutex_);
      if (posted_.empty() || dialog_.load() == nullptr) return;
      event = std::move(posted_.front());
      posted_.pop_front();
    }
    event();
  }
}

}  // namespace zentho::win32
