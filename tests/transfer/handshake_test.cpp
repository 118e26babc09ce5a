// The image-type handshake: states, chip revision, failed reads and deliveries.
#include "tests/transfer/session_fixture.h"

namespace zentho::testing {
namespace {

using ::testing::ElementsAre;
using std::chrono::milliseconds;
using sim::Fault;
using sim::FaultKind;
using sim::Phase;

std::vector<std::string> Repeat(std::vector<std::string> unit, int times) {
  std::vector<std::string> all;
  for (int i = 0; i < times; ++i) all.insert(all.end(), unit.begin(), unit.end());
  return all;
}

TEST_F(SessionTest, ErrorStateTwiceThenIdleClearsAndPausesBeforeEachRetry) {
  device(sim::FaultPlan::HandshakeStates({8, 8, 1}));
  ASSERT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(100))), 1);

  EXPECT_THAT(trace(), ElementsAre("LEN 8", "SETIMGTYPE 1", "GET 8 ok", "CLRSTATUS 1",
                                   "SETIMGTYPE 1", "GET 8 ok", "CLRSTATUS 1", "SETIMGTYPE 1",
                                   "GET 8 ok", "DNLOAD 0 100", "GET 8 ok", "DNLOAD 1 0"));
  EXPECT_THAT(clock.pauses(), ElementsAre(milliseconds(1000), milliseconds(1000)));
  EXPECT_EQ(std::count(sink.events.begin(), sink.events.end(), "log:Chip Revision : 1\r\n"), 3);
}

TEST_F(SessionTest, BusyStateIsAbortedNotCleared) {
  device(sim::FaultPlan::HandshakeStates({2, 4, 1}));
  ASSERT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(10))), 1);
  const auto lines = trace();
  EXPECT_EQ(lines[3], "ABORT 1");
  EXPECT_EQ(lines[6], "ABORT 1");
}

TEST_F(SessionTest, DeviceNeverIdleGivesUpAfterElevenAttemptsWithoutAMessage) {
  device(sim::FaultPlan::HandshakeStates(std::vector<std::uint8_t>(11, 8)));
  ASSERT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(10))), 0);

  std::vector<std::string> expected{"LEN 8"};
  const auto attempts = Repeat({"SETIMGTYPE 1", "GET 8 ok", "CLRSTATUS 1"}, 11);
  expected.insert(expected.end(), attempts.begin(), attempts.end());
  EXPECT_EQ(trace(), expected);
  EXPECT_EQ(clock.pauses(), std::vector<Clock::duration>(11, milliseconds(1000)));
  std::vector<std::string> lines{"\r\nRuntime file is loaded. File size: 10 bytes.\r\n",
                                 "Start Runtime Transferring...\r\n"};
  for (int i = 0; i < 11; ++i) lines.push_back("Chip Revision : 1\r\n");
  EXPECT_EQ(logLines(), lines);
}

TEST_F(SessionTest, HandshakeReadsThatAlwaysFailUseUpTheAttemptsWithoutPauses) {
  sim::FaultPlan plan;
  for (unsigned attempt = 1; attempt <= 11; ++attempt) {
    plan.faults.push_back({.phase = Phase::Handshake, .at = attempt, .kind = FaultKind::FailRead});
  }
  device(plan);
  ASSERT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(10))), 0);

  std::vector<std::string> expected{"LEN 8"};
  const auto attempts = Repeat({"SETIMGTYPE 1", "GET 8 fail"}, 11);
  expected.insert(expected.end(), attempts.begin(), attempts.end());
  EXPECT_EQ(trace(), expected);
  EXPECT_TRUE(clock.pauses().empty());
  std::vector<std::string> lines{"\r\nRuntime file is loaded. File size: 10 bytes.\r\n",
                                 "Start Runtime Transferring...\r\n"};
  for (int i = 0; i < 11; ++i) lines.push_back("GETSTATUS FAIL\r\n");
  EXPECT_EQ(logLines(), lines);
}

TEST_F(SessionTest, FailedReadsAndBusyStatesShareOneAttemptCount) {
  // Five failed reads and five busy answers leave the eleventh attempt to succeed.
  sim::FaultPlan plan;
  for (unsigned attempt = 1; attempt <= 10; ++attempt) {
    plan.faults.push_back(attempt <= 5
        ? Fault{.phase = Phase::Handshake, .at = attempt, .kind = FaultKind::FailRead}
        : Fault{.phase = Phase::Handshake, .at = attempt, .kind = FaultKind::ReportState, .value = 2});
  }
  device(plan);
  EXPECT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(10))), 1);
  EXPECT_EQ(device_->handshakeAttempts(), 11U);
  EXPECT_EQ(clock.pauses().size(), 5U);
}

struct RevisionCase {
  std::uint8_t revisionByte;
  int result;
  std::vector<std::string> lines;
};

class ChipRevisionTest : public SessionTest, public ::testing::WithParamInterface<RevisionCase> {};

TEST_P(ChipRevisionTest, OnlyTheHighNibbleCounts) {
  sim::FaultPlan plan;
  plan.chipRevisionByte = GetParam().revisionByte;
  device(plan);
  EXPECT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(10))), GetParam().result);
  std::vector<std::string> lines{"\r\nRuntime file is loaded. File size: 10 bytes.\r\n",
                                 "Start Runtime Transferring...\r\n"};
  lines.insert(lines.end(), GetParam().lines.begin(), GetParam().lines.end());
  EXPECT_EQ(logLines(), lines);
  if (GetParam().result == 0) {
    EXPECT_THAT(trace(), ElementsAre("LEN 8", "SETIMGTYPE 1", "GET 8 ok", "ABORT 1"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Revisions, ChipRevisionTest,
    ::testing::Values(
        RevisionCase{0x0F, 0, {"Chip Revision : 0\r\n", "\r\nChip Revision wrong!!\r\n"}},
        RevisionCase{0x00, 0, {"Chip Revision : 0\r\n", "\r\nChip Revision wrong!!\r\n"}},
        RevisionCase{0x10, 1, {"Chip Revision : 1\r\n",
                               "--- Runtime firmware is transmitted successfully ---\r\n\r\n"}},
        RevisionCase{0xF3, 1, {"Chip Revision : f\r\n",
                               "--- Runtime firmware is transmitted successfully ---\r\n\r\n"}}));

TEST_F(SessionTest, WrongRevisionStillEndsTheSessionWhenTheAbortIsLost) {
  sim::FaultPlan plan;
  plan.chipRevisionByte = 0x0F;
  plan.faults = {{.phase = Phase::Handshake, .at = 1, .kind = FaultKind::FailDelivery,
                  .command = static_cast<std::uint8_t>(Command::ABORT)}};
  device(plan);
  EXPECT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(10))), 0);
  EXPECT_EQ(logLines().back(), "\r\nChip Revision wrong!!\r\n");
  EXPECT_EQ(trace().back(), "ABORT 1 fail");
}

struct SetImageTypeCase {
  DownloadMode mode;
  std::string file;
  std::vector<std::string> tail;
};

class SetImageTypeFailureTest : public SessionTest,
                                public ::testing::WithParamInterface<SetImageTypeCase> {};

TEST_P(SetImageTypeFailureTest, IsNeverRetriedAndOnlyBootloaderAddsTheProtectionLine) {
  device({.faults = {{.phase = Phase::Handshake, .at = 1, .kind = FaultKind::FailDelivery}}});
  const std::string path = dir.write(GetParam().file, std::string("00 01\n"));
  EXPECT_EQ(run(GetParam().mode, path), 0);

  auto lines = logLines();
  lines.erase(lines.begin(), lines.end() - static_cast<long>(GetParam().tail.size()));
  EXPECT_EQ(lines, GetParam().tail);
  EXPECT_EQ(std::count(sink.events.begin(), sink.events.end(), "trace:Failed at SETIMGTYPE.\n"), 1);
  EXPECT_EQ(trace().size(), 2U);  // the length query and the one SETIMGTYPE
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SetImageTypeFailureTest,
    ::testing::Values(
        SetImageTypeCase{DownloadMode::KvmSystem, "a.bin", {"Start Runtime Transferring...\r\n", "SETIMGETYPE FAIL\r\n"}},
        SetImageTypeCase{DownloadMode::Bootloader, "a.bin",
                         {"SETIMGETYPE FAIL\r\n", "Or Boot loader is memory write protection\r\n"}},
        SetImageTypeCase{DownloadMode::SoftwareConfig, "a.txt",
                         {"Start Runtime Transferring...\r\n", "SETIMGETYPE FAIL\r\n"}}));

TEST_F(SessionTest, LostClearStatusEndsTheSessionWithTheIdleMessage) {
  sim::FaultPlan plan = sim::FaultPlan::HandshakeStates({8});
  plan.faults.push_back({.phase = Phase::Handshake, .at = 1, .kind = FaultKind::FailDelivery,
                         .command = static_cast<std::uint8_t>(Command::CLRSTATUS)});
  device(plan);
  EXPECT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(10))), 0);
  const std::vector<std::string> tail(sink.events.end() - 4, sink.events.end());
  EXPECT_THAT(tail, ElementsAre("log:Chip Revision : 1\r\n",
                                "trace:output report: refused by the simulated device\n",
                                "trace:The state of device cannot go back to STATE_dfuIDLE.\n",
                                "log:STATE_dfuIDLE FAIL\r\n"));
  EXPECT_TRUE(clock.pauses().empty());
}

}  // namespace
}  // namespace zentho::testing
