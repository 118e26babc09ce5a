// The window's thread as the worker sees it: synchronous requests and posted events.
#pragma once

#include <functional>

namespace zentho::window {

class WindowThread {
 public:
  virtual ~WindowThread() = default;
  // Runs `request` on the window's thread and returns once it has run. Requests from
  // one thread run in the order sent. On the window's thread it runs at once.
  virtual void invoke(const std::function<void()>& request) = 0;
  // Queues `event` for the window's thread and returns at once. Events that arrive
  // after the window has gone are dropped.
  virtual void post(std::function<void()> event) = 0;
};

}  // namespace zentho::window
