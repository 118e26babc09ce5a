// A debug trace that keeps its lines, safe to write from the worker and the window.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "app/window/window_services.h"

namespace zentho::window::test {

class RecordingTrace final : public DebugTrace {
 public:
  void line(std::string_view text) override {
    std::lock_guard lock(mutex_);
    lines_.emplace_back(text);
  }
  std::vector<std::string> lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace zentho::window::test
