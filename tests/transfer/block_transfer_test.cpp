// Block transfer: re-offers, failed and pending status reads, refusals, progress.

#include "tests/support/fault_checks.h"
#include "tests/transfer/session_fixture.h"

namespace zentho::testing {
namespace {

using ::testing::ElementsAre;
using std::chrono::milliseconds;
using sim::Fault;
using sim::FaultKind;
using sim::Phase;

TEST_F(SessionTest, BlockRefusedFourTimesFailsAfterFourLinesAndFourPauses) {
  device({.faults = {{.phase = Phase::Transfer, .at = 1, .kind = FaultKind::FailDelivery, .count = 4}}});
  const std::string path = dir.write("a.bin", PatternBytes(2500));
  const std::size_t descriptorsBefore = OpenDescriptors();

  EXPECT_EQ(run(DownloadMode::KvmSystem, path), 0);

  const std::string line = "log:DNLOAD FAIL, block number = 1, left len : 1c4\r\n";
  // Each failure's reason, as the simulated device gives it, comes before its line.
  const std::string why = "trace:output report: refused by the simulated device\n";
  const std::vector<std::string> tail(sink.events.end() - 9, sink.events.end());
  EXPECT_THAT(tail, ElementsAre("pos:833", why, line, why, line, why, line, why, line));  // 2500 x 1 / 3
  EXPECT_EQ(clock.pauses(), std::vector<Clock::duration>(4, milliseconds(1000)));
  const auto lines = trace();
  EXPECT_THAT(std::vector<std::string>(lines.end() - 4, lines.end()),
              ElementsAre("DNLOAD 1 1024 fail", "DNLOAD 1 1024 fail", "DNLOAD 1 1024 fail",
                          "DNLOAD 1 1024 fail"));
  EXPECT_EQ(OpenDescriptors(), descriptorsBefore);  // the firmware file was closed
}

TEST_F(SessionTest, BlockAcceptedOnTheFourthOfferGoesOn) {
  device({.faults = {{.phase = Phase::Transfer, .at = 0, .kind = FaultKind::FailDelivery, .count = 3}}});
  const auto image = PatternBytes(1500);
  EXPECT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", image)), 1);
  EXPECT_EQ(std::count(sink.events.begin(), sink.events.end(),
                       "log:DNLOAD FAIL, block number = 0, left len : 1dc\r\n"),
            3);
  EXPECT_EQ(clock.pauses().size(), 3U);
  EXPECT_EQ(device_->image(ImageType::KvmSystem)->bytes, image);
}

TEST_F(SessionTest, ThreeFailedStatusReadsPerBlockAreToleratedAndCountedPerBlock) {
  device({.faults = {{.phase = Phase::Transfer, .at = 0, .kind = FaultKind::FailRead, .count = 3},
                     {.phase = Phase::Transfer, .at = 1, .kind = FaultKind::FailRead, .count = 3}}});
  EXPECT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(2000))), 1);
  EXPECT_THAT(logLines(),
              ElementsAre("\r\nRuntime file is loaded. File size: 2000 bytes.\r\n",
                          "Start Runtime Transferring...\r\n", "Chip Revision : 1\r\n",
                          "Get status fail, block number = 0\r\n",
                          "Get status fail, block number = 0\r\n",
                          "Get status fail, block number = 0\r\n",
                          "Get status fail, block number = 1\r\n",
                          "Get status fail, block number = 1\r\n",
                          "Get status fail, block number = 1\r\n",
                          "--- Runtime firmware is transmitted successfully ---\r\n\r\n"));
  EXPECT_TRUE(clock.pauses().empty());
}

TEST_F(SessionTest, FourthFailedStatusReadOfABlockEndsTheSession) {
  device({.faults = {{.phase = Phase::Transfer, .at = 2, .kind = FaultKind::FailRead, .count = 4}}});
  EXPECT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(3000))), 0);
  const std::vector<std::string> tail(sink.events.end() - 9, sink.events.end());
  const std::string line = "log:Get status fail, block number = 2\r\n";
  const std::string why = "trace:input report: refused by the simulated device\n";
  // Progress stays where block 1's acknowledgement put it.
  EXPECT_THAT(tail, ElementsAre("pos:2000", why, line, why, line, why, line, why, line));
  EXPECT_EQ(trace().back(), "GET 8 fail");
}

TEST_F(SessionTest, StaleNextBlockAndBusyAnswersAreReadAgainQuietly) {
  device({.faults = {
              {.phase = Phase::Transfer, .at = 1, .kind = FaultKind::WrongNextBlock, .count = 2, .value = 1},
              {.phase = Phase::Transfer, .at = 2, .kind = FaultKind::PendingReads, .count = 3},
          }});
  EXPECT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(3000))), 1);
  EXPECT_THAT(trace(), ElementsAre("LEN 8", "SETIMGTYPE 1", "GET 8 ok", "DNLOAD 0 1024", "GET 8 ok",
                                   "DNLOAD 1 1024", "GET 8 ok", "GET 8 ok", "GET 8 ok",
                                   "DNLOAD 2 952", "GET 8 ok", "GET 8 ok", "GET 8 ok", "GET 8 ok",
                                   "DNLOAD 3 0"));
  EXPECT_EQ(sink.log.find("fail"), std::string::npos);
}

TEST_F(SessionTest, ErrorStateWhileWaitingEndsTheSession) {
  device({.faults = {{.phase = Phase::Transfer, .at = 1, .kind = FaultKind::ReportState, .value = 8}}});
  EXPECT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(3000))), 0);
  EXPECT_EQ(logLines().back(), "Download failed at GET_STATUS\r\n");
  EXPECT_EQ(trace().back(), "GET 8 ok");
  EXPECT_EQ(sink.events[sink.events.size() - 2], "pos:1000");
}

TEST_F(SessionTest, NextSessionBringsAFailedDeviceBackToIdle) {
  device({.faults = {{.phase = Phase::Transfer, .at = 1, .kind = FaultKind::ReportState, .value = 8}}});
  const std::string path = dir.write("a.bin", PatternBytes(3000));
  ASSERT_EQ(run(DownloadMode::KvmSystem, path), 0);
  // Same device, no more faults from block 1 on in a new image: the handshake clears it.
  sim::SimulatedDevice& same = *device_;
  ASSERT_EQ(same.state(), 8);
  EXPECT_EQ(run(DownloadMode::Bootloader, path), 0);  // block 1 is refused again
  const auto lines = trace();
  const auto second = std::find(lines.begin() + 1, lines.end(), "LEN 8");
  ASSERT_NE(second, lines.end());
  EXPECT_THAT(std::vector<std::string>(second, second + 5),
              ElementsAre("LEN 8", "SETIMGTYPE 0", "GET 8 ok", "CLRSTATUS 0", "SETIMGTYPE 0"));
}

}  // namespace
}  // namespace zentho::testing
