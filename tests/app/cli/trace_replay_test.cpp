// The trace file: its lines, and a recorded session replayed without the device.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "device/simulated/replay_device.h"
#include "tests/app/cli/cli_harness.h"
#include "tests/support/temp_dir.h"

namespace zentho::testing {
namespace {

using namespace std::chrono_literals;
using sim::TraceEntry;
using sim::TraceKind;

std::vector<std::uint8_t> SetImageTypeReport() {
  std::vector<std::uint8_t> report(kCommandReportLength, 0);
  report[0] = 1;
  report[1] = 5;
  report[2] = 1;
  return report;
}

struct LineCase {
  const char* what;
  TraceEntry entry;
  std::string line;
};

TEST(TraceLine, EachExchangeIsOneLineAndReadsBackTheSame) {
  const std::vector<LineCase> cases = {
      {"declared length", {TraceKind::InputLength, true, 8, {}, 0us}, "0.000000 inlen ok 8 - -\n"},
      {"failed length", {TraceKind::InputLength, false, 0, {}, 2us}, "0.000002 inlen fail 0 - -\n"},
      {"failed read", {TraceKind::Input, false, 8, {}, 1500ms}, "1.500000 in fail 8 - -\n"},
      {"acknowledgement", {TraceKind::Input, true, 8, {1, 0x10, 0, 4, 1, 0, 0, 0}, 1234us},
       "0.001234 in ok 8 rev=1,state=STATE_dfuDNLOAD_IDLE,next=1 0110000401000000\n"},
      {"busy", {TraceKind::Input, true, 8, {1, 0xF0, 0, 2, 0, 1, 0, 0}, 61s},
       "61.000000 in ok 8 rev=f,state=busy(2),next=256 01f0000200010000\n"},
      {"block", {TraceKind::Output, false, 8, {1, 1, 0xb8, 3, 2, 0, 0xaa, 0x55}, 3s},
       "3.000000 out fail 8 DNLOAD:block=2,len=952 0101b8030200aa55\n"},
  };
  for (const LineCase& c : cases) {
    EXPECT_EQ(sim::FormatTraceLine(c.entry), c.line) << c.what;
    std::string error;
    const std::optional<TraceEntry> back =
        sim::ParseTraceLine(std::string_view(c.line).substr(0, c.line.size() - 1), error);
    ASSERT_TRUE(back) << c.what << ": " << error;
    EXPECT_EQ(back->kind, c.entry.kind) << c.what;
    EXPECT_EQ(back->ok, c.entry.ok) << c.what;
    EXPECT_EQ(back->length, c.entry.length) << c.what;
    EXPECT_EQ(back->bytes, c.entry.bytes) << c.what;
    EXPECT_EQ(back->at, c.entry.at) << c.what;
  }

  const std::string command = sim::FormatTraceLine({TraceKind::Output, true, 1030, SetImageTypeReport(), 17ms});
  EXPECT_EQ(command.substr(0, 49), "0.017000 out ok 1030 SETIMGTYPE:type=1 0105010000");
  EXPECT_EQ(command.size(), 39 + 2 * kCommandReportLength + 1);
}

TEST(TraceLine, MalformedLinesSayWhatIsWrong) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"0.000000 in ok 8 -", "expected 6 fields, found 5"},
      {"0.5 in ok 8 - -", "bad time stamp \"0.5\""},
      {"0.000000 put ok 8 - -", "unknown op \"put\""},
      {"0.000000 in yes 8 - -", "result must be ok or fail"},
      {"0.000000 in ok 8x - -", "bad length \"8x\""},
      {"0.000000 in ok 8 - 01g0", "bad hex bytes"},
  };
  for (const auto& [line, message] : cases) {
    std::string error;
    EXPECT_FALSE(sim::ParseTraceLine(line, error)) << line;
    EXPECT_EQ(error, message) << line;
  }
}

// A session with a recovery in the handshake (state 8, CLRSTATUS, 1000 ms) and two
// failed acknowledgement reads, on a bus that costs time: the replay must reproduce
// pauses, retries and the time each exchange took.
TEST(TraceReplay, ReplayGivesTheSameLogAndTheSameTrace) {
  TempDir dir;
  const std::string file = dir.write("fw.bin", PatternBytes(2500));
  CliHarness cli;
  cli.simulatedPlatform = [&](unsigned) {
    sim::FaultPlan plan = sim::FaultPlan::HandshakeStates({8, 1});
    plan.faults.push_back({.phase = sim::Phase::Transfer, .at = 1, .kind = sim::FaultKind::FailRead,
                           .count = 2});
    sim::TimingModel timing;
    timing.perPacket = 1ms;
    timing.flashWritePerBlock = 3ms;
    auto bus = std::make_shared<sim::SimulatedBus>();
    cli.plug(*bus, plan, {}, timing);
    return bus;
  };
  const CliResult recorded = cli.run({"download", "--simulate", "--mode", "kvm", file, "--log",
                                      dir.file("1.log"), "--trace", dir.file("1.trace")});
  ASSERT_EQ(recorded.code, 0) << recorded.err;

  const CliResult replayed = cli.run({"download", "--simulate=" + dir.file("1.trace"), "--mode", "kvm",
                                      file, "--log", dir.file("2.log"), "--trace", dir.file("2.trace")});
  EXPECT_EQ(replayed.code, 0) << replayed.err;
  EXPECT_EQ(replayed.out, recorded.out);
  EXPECT_EQ(replayed.err, "");
  const std::string log = ReadFile(dir.file("1.log"));
  EXPECT_NE(log.find("Chip Revision : 1\r\nChip Revision : 1\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Get status fail, block number = 1\r\nGet status fail, block number = 1\r\n"),
            std::string::npos) << log;
  EXPECT_EQ(ReadFile(dir.file("2.log")), log);
  EXPECT_EQ(ReadFile(dir.file("2.trace")), ReadFile(dir.file("1.trace")));
  // Bus time and the recovery pause are in the time stamps: SETIMGTYPE (17 packets),
  // status read (1), CLRSTATUS (17), 1000 ms, then the second SETIMGTYPE.
  EXPECT_NE(ReadFile(dir.file("1.trace")).find("\n1.052000 out ok 1030 SETIMGTYPE:type=1 "),
            std::string::npos);
}

TEST(TraceReplay, AnotherImageLeavesTheRecordingAndSaysWhere) {
  TempDir dir;
  CliHarness cli;
  const std::string trace = dir.file("t.trace");
  ASSERT_EQ(cli.run({"download", "--simulate", "--mode", "kvm", dir.write("a.bin", PatternBytes(3000)),
                     "--trace", trace, "-q"})
                .code,
            0);

  const CliResult replayed = cli.run({"download", "--simulate=" + trace, "--mode", "kvm",
                                      dir.write("b.bin", std::string(3000, 'b')), "-q"});
  EXPECT_EQ(replayed.code, 1);
  EXPECT_EQ(replayed.err, "zentho-iap: replay:" + trace +
                              ": the replay left its recording at exchange 4: sent "
                              "DNLOAD:block=0,len=1024 with other bytes than the recorded "
                              "DNLOAD:block=0,len=1024\n");
}

}  // namespace
}  // namespace zentho::testing
