// The window's thread under Qt: the worker's synchronous requests and posted events go
// through one queue that the GUI thread's event loop drains.
#pragma once

#include <QSocketNotifier>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "app/window/window_thread.h"

namespace zentho::qt {

// Create it on the GUI thread, before any thread can reach it; events still queued when
// it is destroyed are dropped. The queue is the standard library's and the wake-up an
// eventfd, rather than Qt's own cross-thread calls, so that every hand-over between the
// threads is one ThreadSanitizer can see.
class QtWindowThread final : public window::WindowThread {
 public:
  QtWindowThread();
  ~QtWindowThread() override;

  void invoke(const std::function<void()>& request) override;
  void post(std::function<void()> event) override;

 private:
  void enqueue(std::function<void()> work);
  void drain();

  int wakeFd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::mutex mutex_;
  std::condition_variable done_;
  std::deque<std::function<void()>> queue_;
};

}  // namespace zentho::qt
