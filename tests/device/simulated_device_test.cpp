// The simulated device's own behaviour: ordering rules, timing model, removal.
#include "device/simulated/simulated_device.h"

#include <gtest/gtest.h>

namespace zentho::sim {
namespace {

using std::chrono::milliseconds;

class SimulatedDeviceTest : public ::testing::Test {
 protected:
  SimulatedDevice make(SimulatedDeviceOptions options = {}) { return SimulatedDevice(options, clock); }
  ManualClock clock;
  CommandReport report;
  std::vector<std::uint8_t> status = std::vector<std::uint8_t>(8);
};

TEST_F(SimulatedDeviceTest, OutOfOrderBlockPutsTheDeviceInError) {
  SimulatedDevice device({}, clock);
  const std::uint8_t data[4] = {1, 2, 3, 4};
  ASSERT_TRUE(sendCommand(device, report, Command::SETIMGTYPE, ImageType::KvmSystem));
  ASSERT_TRUE(sendBlock(device, report, 1, data));  // block 0 never came
  const auto answer = readStatus(device, status, 8);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->state, 8);
}

}  // namespace
}  // namespace zentho::sim
