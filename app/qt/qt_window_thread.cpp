// The GUI thread's work queue, woken through an eventfd.
#include "app/qt/qt_window_thread.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QThread>
#include <cstdint>
#include <stdexcept>

namespace zentho::qt {

QtWindowThread::QtWindowThread() : wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  if (wakeFd_ < 0) throw std::runtime_error("eventfd failed");
  notifier_ = std::make_unique<QSocketNotifier>(wakeFd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                   [this] { drain(); });
}

QtWindowThread::~QtWindowThread() {
  notifier_.reset();
  ::close(wakeFd_);
}

void QtWindowThread::invoke(const std::function<void()>& request) {
  if (QThread::currentThread() == notifier_->thread()) {
    request();
    return;
  }
  // The GUI thread never waits for the worker, so this wait cannot deadlock.
  bool finished = false;
  enqueue([&] {
    request();
    std::lock_guard lock(mutex_);
    finished = true;
    done_.notify_all();
  });
  std::unique_lock lock(mutex_);
  done_.wait(lock, [&] { return finished; });
}

void QtWindowThread::post(std::function<void()> event) { enqueue(std::move(event)); }

void QtWindowThread::enqueue(std::function<void()> work) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(work));
  }
  const std::uint64_t one = 1;
  // A full counter still wakes the reader, so a failed write loses nothing.
  [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

void QtWindowThread::drain() {
  std::uint64_t count = 0;
  [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &count, sizeof count);
  // One item at a time: an item may end the window or open a nested event loop, and
  // whatever is left is still run in order by the next wake-up or this loop.
  while (true) {
    std::function<void()> work;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return;
      work = std::move(queue_.front());
      queue_.pop_front();
    }
    work();
  }
}

}  // namespace zentho::qt
