// Monotonic time and interruptible pauses, injected so that tests never sleep.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <vector>

namespace zentho {

class Clock {
 public:
  using time_point = std::chrono::steady_clock::time_point;
  using duration = std::chrono::steady_clock::duration;

  virtual ~Clock() = default;
  virtual time_point now() = 0;
  // Waits until `deadline`. Returns false, early, when `stop` is requested.
  virtual bool sleepUntil(time_point deadline, std::stop_token stop) = 0;

  bool sleepFor(duration d, std::stop_token stop) { return sleepUntil(now() + d, stop); }

  // Time spent working (a simulated bus transfer), not a pause: never interrupted.
  virtual void elapseUntil(time_point deadline) { sleepUntil(deadline, {}); }
};

// The real steady clock; a pause ends at once on a stop request.
class SystemClock final : public Clock {
 public:
  time_point now() override { return std::chrono::steady_clock::now(); }
  bool sleepUntil(time_point deadline, std::stop_token stop) override;
};

// A clock that only moves when something sleeps on it or advances it. Every pause is
// recorded; a hook runs at each pause (tests use it to request a stop mid-pause).
class ManualClock final : public Clock {
 public:
  time_point now() override;
  bool sleepUntil(time_point deadline, std::stop_token stop) override;
  void elapseUntil(time_point deadline) override;

  void advance(duration d);
  std::vector<duration> pauses() const;
  void onSleep(std::function<void(duration)> hook);

 private:
  mutable std::mutex mutex_;
  time_point now_{};
  std::vector<duration> pauses_;
  std::function<void(duration)> hook_;
};

}  // namespace zentho
