// A removal flag with an eventfd that turns readable when it is raised.
#pragma once

#include "device/removal_flag.h"

namespace zentho::device::linux_hid {

class RemovalSignal {
 public:
  RemovalSignal();
  ~RemovalSignal();
  RemovalSignal(const RemovalSignal&) = delete;
  RemovalSignal& operator=(const RemovalSignal&) = delete;

  void raise();
  bool raised() const { return flag_.raised(); }
  int descriptor() const { return eventFd_; }
  void setNotify(std::function<void()> notify) { flag_.setNotify(std::move(notify)); }

 private:
  RemovalFlag flag_;
  int eventFd_ = -1;
};

}  // namespace zentho::device::linux_hid
