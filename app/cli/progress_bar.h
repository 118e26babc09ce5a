// A one-line progress bar with KiB/s and time left, redrawn in place on a terminal.
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "app/cli/job_observer.h"
#include "transfer/clock.h"

namespace zentho::cli {

class ProgressBar final : public JobObserver {
 public:
  ProgressBar(std::FILE* terminal, Clock& clock);

  void started(std::size_t device, const Target& target) override;
  void progressed(std::size_t device, std::uint32_t bytes, std::uint32_t total) override;
  void finished(std::size_t device, const DeviceResult& result) override;
  void summarized(const std::vector<DeviceResult>& results) override;

  // Takes the bar off its line so that other text can be written there, and puts it
  // back afterwards.
  void erase();
  void draw();

  // The bar's text for `done` of `total` bytes after `elapsed`; width excludes nothing.
  static std::string Render(std::uint64_t done, std::uint64_t total, Clock::duration elapsed,
                            std::size_t running, std::size_t devices);

 private:
  struct Device {
    std::uint64_t bytes = 0;
    std::uint64_t total = 0;
    bool running = true;
  };
  void redrawAtMostEvery(Clock::duration interval);

  std::FILE* terminal_;
  Clock& clock_;
  std::map<std::size_t, Device> devices_;
  Clock::time_point start_{};
  Clock::time_point lastDraw_{};
  bool shown_ = false;
  bool started_ = false;
};

}  // namespace zentho::cli
