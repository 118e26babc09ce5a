// A hang guard for tests of files that must never block (FIFOs): the work runs, and the
// test program ends with a message if it has not returned after a minute. It asserts
// nothing about time; it only keeps a regression from hanging the whole run.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>
#include <utility>

namespace zentho::testing {

template <typename Work>
auto WithHangGuard(Work&& work) {
  std::promise<void> done;
  std::thread watchdog([finished = done.get_future()] {
    if (finished.wait_for(std::chrono::minutes(1)) == std::future_status::timeout) {
      std::fputs("hang guard: the work under test blocked (a FIFO opened blocking?)\n", stderr);
      std::abort();
    }
  });
  auto result = std::forward<Work>(work)();
  done.set_value();
  watchdog.join();
  return result;
}

}  // namespace zentho::testing
