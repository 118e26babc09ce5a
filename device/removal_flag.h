// The shared state of a removal watch: a flag raised once, and the front end's
// notification run when it is raised.
#pragma once

#include <functional>
#include <mutex>
#include <utility>

namespace zentho::device {

class RemovalFlag {
 public:
  // Returns true for the call that raised it first. `announce` runs once the flag
  // reads raised and before the notification, so whoever it wakes sees the flag.
  template <typename Announce>
  bool raise(Announce announce) {
    std::function<void()> notify;
    {
      std::lock_guard lock(mutex_);
      if (raised_) return false;
      raised_ = true;
      notify = std::move(notify_);
    }
    announce();
    if (notify) notify();
    return true;
  }
  bool raise() {
    return raise([] {});
  }

  bool raised() const {
    std::lock_guard lock(mutex_);
    return raised_;
  }

  void setNotify(std::function<void()> notify) {
    {
      std::lock_guard lock(mutex_);
      if (!raised_) {
        notify_ = std::move(notify);
        return;
      }
    }
    if (notify) notify();
  }

 private:
  mutable std::mutex mutex_;
  bool raised_ = false;
  std::function<void()> notify_;
};

}  // namespace zentho::device
