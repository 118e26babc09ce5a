// The simulated device's own rules: block order, completeness, timing model, removal.
#include "device/simulated/simulated_device.h"

#include <gtest/gtest.h>

namespace zentho::sim {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

class SimulatedDeviceTest : public ::testing::Test {
 protected:
  bool setImageType(SimulatedDevice& device, ImageType type = ImageType::KvmSystem) {
    return sendCommand(device, report, Command::SETIMGTYPE, type);
  }
  bool block(SimulatedDevice& device, std::uint16_t number, std::size_t length) {
    return sendBlock(device, report, number, std::vector<std::uint8_t>(length, 0x42));
  }
  std::optional<StatusReport> status(SimulatedDevice& device) { return readStatus(device, buffer, 8); }

  ManualClock clock;
  CommandReport report;
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(8);
};

TEST_F(SimulatedDeviceTest, BlockOutOfOrderPutsTheDeviceInError) {
  SimulatedDevice device({}, clock);
  ASSERT_TRUE(setImageType(device));
  ASSERT_TRUE(block(device, 1, 4));  // block 0 never came
  EXPECT_EQ(status(device)->state, 8);
  ASSERT_TRUE(sendCommand(device, report, Command::CLRSTATUS, ImageType::KvmSystem));
  EXPECT_EQ(status(device)->state, 1);
}

TEST_F(SimulatedDeviceTest, ImageIsCompleteOnlyWhenTheClosingBlockFollowsTheLastOne) {
  SimulatedDevice device({}, clock);
  ASSERT_TRUE(setImageType(device, ImageType::Bootloader));
  ASSERT_TRUE(block(device, 0, 1024));
  EXPECT_EQ(status(device)->nextBlock, 1);
  ASSERT_TRUE(block(device, 1, 3));
  EXPECT_FALSE(device.image(ImageType::Bootloader)->complete);
  ASSERT_TRUE(block(device, 2, 0));
  const auto image = device.image(ImageType::Bootloader);
  EXPECT_TRUE(image->complete);
  EXPECT_EQ(image->length, 1027U);
  EXPECT_EQ(image->digest, Fnv1a64(std::vector<std::uint8_t>(1027, 0x42).data(), 1027));
  EXPECT_FALSE(device.image(ImageType::KvmSystem));
}

TEST_F(SimulatedDeviceTest, TimingModelChargesPacketsAndTheFlashWriteToTheClock) {
  SimulatedDeviceOptions options;
  options.timing.perPacket = microseconds(1000);
  options.timing.flashWritePerBlock = microseconds(3000);
  SimulatedDevice device(options, clock);
  const auto start = clock.now();
  ASSERT_TRUE(setImageType(device));             // 17 packets
  ASSERT_TRUE(status(device));                   // 1
  ASSERT_TRUE(block(device, 0, 1024));           // 17
  ASSERT_TRUE(status(device));                   // 1 + the flash write
  ASSERT_TRUE(status(device));                   // 1
  EXPECT_EQ(clock.now() - start, milliseconds(17 + 1 + 17 + 1 + 3 + 1));
  EXPECT_TRUE(clock.pauses().empty());  // bus time is not a session pause
  const auto trace = device.trace();
  ASSERT_EQ(trace.size(), 5U);
  EXPECT_EQ(trace[0].at, milliseconds(17));
  EXPECT_EQ(trace[3].at, milliseconds(39));
}

TEST_F(SimulatedDeviceTest, RemovalFailsEveryLaterCall) {
  SimulatedDeviceOptions options;
  options.faults.faults = {{.phase = Phase::Transfer, .at = 1, .kind = FaultKind::Remove}};
  SimulatedDevice device(options, clock);
  ASSERT_TRUE(setImageType(device));
  ASSERT_TRUE(block(device, 0, 1024));
  ASSERT_TRUE(status(device));
  EXPECT_FALSE(block(device, 1, 1024));
  EXPECT_TRUE(device.removed());
  EXPECT_FALSE(status(device));
  EXPECT_FALSE(device.inputReportLength());
  EXPECT_FALSE(setImageType(device));
}

TEST_F(SimulatedDeviceTest, ReportsOfTheWrongShapeAreRefused) {
  SimulatedDevice device({}, clock);
  std::vector<std::uint8_t> shortReport(64, 0);
  shortReport[0] = 1;
  shortReport[1] = 5;
  EXPECT_FALSE(device.setOutputReport(shortReport));
  std::vector<std::uint8_t> wrongId(kCommandReportLength, 0);
  wrongId[0] = 2;
  EXPECT_FALSE(device.setOutputReport(wrongId));
  std::vector<std::uint8_t> unknownCommand(kCommandReportLength, 0);
  unknownCommand[0] = 1;
  unknownCommand[1] = 2;
  EXPECT_FALSE(device.setOutputReport(unknownCommand));
}

}  // namespace
}  // namespace zentho::sim
