// The real and the manual clock.
#include "transfer/clock.h"

namespace zentho {

bool SystemClock::sleepUntil(time_point deadline, std::stop_token stop) {
  std::mutex mutex;
  std::condition_variable_any woken;
  std::unique_lock lock(mutex);
  // Nothing notifies `woken`: only the deadline or the stop request ends the wait.
  woken.wait_until(lock, stop, deadline, [] { return false; });
  return !stop.stop_requested();
}

Clock::time_point ManualClock::now() {
  std::lock_guard lock(mutex_);
  return now_;
}

bool ManualClock::sleepUntil(time_point deadline, std::stop_token stop) {
  std::function<void(duration)> hook;
  duration pause{};
  {
    std::lock_guard lock(mutex_);
    pause = deadline > now_ ? deadline - now_ : duration{};
    pauses_.push_back(pause);
    hook = hook_;
  }
  if (hook) hook(pause);
  if (stop.stop_requested()) return false;
  std::lock_guard lock(mutex_);
  if (deadline > now_) now_ = deadline;
  return true;
}

void ManualClock::elapseUntil(time_point deadline) {
  std::lock_guard lock(mutex_);
  if (deadline > now_) now_ = deadline;
}

void ManualClock::advance(duration d) {
  std::lock_guard lock(mutex_);
  now_ += d;
}

std::vector<Clock::duration> ManualClock::pauses() const {
  std::lock_guard lock(mutex_);
  return pauses_;
}

void ManualClock::onSleep(std::function<void(duration)> hook) {
  std::lock_guard lock(mutex_);
  hook_ = std::move(hook);
}

}  // namespace zentho
