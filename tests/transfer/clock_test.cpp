// The clocks: a stop request ends a real pause; the manual clock records pauses only.
#include "transfer/clock.h"

#include <gtest/gtest.h>

#include <thread>

namespace zentho {
namespace {

using std::chrono::hours;
using std::chrono::milliseconds;

TEST(SystemClock, StopRequestEndsAPauseEarly) {
  SystemClock clock;
  std::stop_source stop;
  bool completed = true;
  std::thread sleeper([&] { completed = clock.sleepFor(hours(1), stop.get_token()); });
  stop.request_stop();  // before or during the wait: either way it must end now
  sleeper.join();       // a pause that ignored the stop would hang here
  EXPECT_FALSE(completed);
}

TEST(SystemClock, PauseWithoutStopRunsToItsDeadline) {
  SystemClock clock;
  const auto deadline = clock.now() + milliseconds(2);
  EXPECT_TRUE(clock.sleepUntil(deadline, {}));
  EXPECT_GE(clock.now(), deadline);
}

TEST(ManualClock, SleepsAreRecordedAndMoveTimeButWorkDoesNotCountAsAPause) {
  ManualClock clock;
  const auto start = clock.now();
  EXPECT_TRUE(clock.sleepFor(milliseconds(1000), {}));
  clock.elapseUntil(clock.now() + milliseconds(17));
  clock.elapseUntil(start);  // never backwards
  EXPECT_EQ(clock.now() - start, milliseconds(1017));
  EXPECT_EQ(clock.pauses(), std::vector<Clock::duration>{milliseconds(1000)});
}

TEST(ManualClock, StopRequestedDuringAPauseLeavesTimeWhereItWas) {
  ManualClock clock;
  std::stop_source stop;
  clock.onSleep([&](Clock::duration) { stop.request_stop(); });
  const auto start = clock.now();
  EXPECT_FALSE(clock.sleepFor(milliseconds(1000), stop.get_token()));
  EXPECT_EQ(clock.now(), start);
}

}  // namespace
}  // namespace zentho
