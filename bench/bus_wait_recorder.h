// A clock that passes everything to another and records each bus wait of the simulated
// device: how late it woke and how long the host worked between waits.
#pragma once

#include <optional>
#include <vector>

#include "transfer/clock.h"

namespace zentho::bench {

class BusWaitRecorder final : public Clock {
 public:
  struct Wait {
    duration overshoot;  // woke this long after the deadline
  };

  // `expectedWaits` is reserved up front so recording never allocates mid-run.
  BusWaitRecorder(Clock& inner, std::size_t expectedWaits) : inner_(inner) {
    waits_.reserve(expectedWaits);
  }

  time_point now() override { return inner_.now(); }
  bool sleepUntil(time_point deadline, std::stop_token stop) override {
    return inner_.sleepUntil(deadline, stop);
  }
  void elapseUntil(time_point deadline) override {
    const time_point entered = inner_.now();
    if (lastReturn_) between_ += entered - *lastReturn_;
    if (!firstEntry_) firstEntry_ = entered;
    inner_.elapseUntil(deadline);
    const time_point returned = inner_.now();
    waits_.push_back({returned - deadline});
    lastReturn_ = returned;
  }

  const std::vector<Wait>& waits() const { return waits_; }
  duration timeBetweenWaits() const { return between_; }
  std::optional<time_point> firstEntry() const { return firstEntry_; }
  std::optional<time_point> lastReturn() const { return lastReturn_; }

 private:
  Clock& inner_;
  std::vector<Wait> waits_;
  duration between_{};
  std::optional<time_point> firstEntry_;
  std::optional<time_point> lastReturn_;
};

}  // namespace zentho::bench
