// The changes an arrival watch has heard and not yet handed over, shared between the
// watching thread and the front end's.
#pragma once

#include <functional>
#include <mutex>
#include <utility>
#include <vector>

#include "device/hid_platform.h"

namespace zentho::device {

class ArrivalQueue {
 public:
  void push(InterfaceChange change) {
    std::function<void()> notify;
    {
      std::lock_guard lock(mutex_);
      changes_.push_back(std::move(change));
      notify = notify_;
    }
    // Outside the lock: the front end may take() from inside its notification.
    if (notify) notify();
  }

  std::vector<InterfaceChange> take() {
    std::lock_guard lock(mutex_);
    return std::exchange(changes_, {});
  }

  void setNotify(std::function<void()> notify) {
    bool waiting = false;
    {
      std::lock_guard lock(mutex_);
      notify_ = notify;
      waiting = !changes_.empty();
    }
    if (waiting && notify) notify();
  }

 private:
  std::mutex mutex_;
  std::vector<InterfaceChange> changes_;
  std::function<void()> notify_;
};

}  // namespace zentho::device
