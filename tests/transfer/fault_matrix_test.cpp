// The fault matrix: a 16-block image, and for every block every kind of fault the
// device or the operator can cause. Each scenario must end as the session promises:
// the exact log, the result, the number of reports, the progress position, the pauses,
// and no file left open.

#include <functional>
#include <iostream>

#include "tests/support/fault_checks.h"
#include "tests/transfer/session_fixture.h"
#include "transfer/session_messages.h"

namespace zentho::testing {
namespace {

using sim::FaultKind;
using sim::Phase;

constexpr unsigned kBlocks = 16;
constexpr std::size_t kImageLength = kBlocks * kBlockSize;
// LEN, SETIMGTYPE and its status read; a DNLOAD and an acknowledgement per block; the
// closing DNLOAD.
constexpr std::size_t kHealthyReports = 3 + 2 * kBlocks + 1;
constexpr auto kAckTimeout = std::chrono::milliseconds(40);


// Requests a stop as the DNLOAD of one block goes out, as a closing window or Ctrl-C.
class StopAtBlock final : public ReportChannel {
 public:
  StopAtBlock(ReportChannel& inner, std::stop_source& stop, unsigned block)
      : inner_(inner), stop_(stop), block_(block) {}
  bool setOutputReport(std::span<const std::uint8_t> report) override {
    if (report[1] == 1 && static_cast<unsigned>(report[4] | (report[5] << 8)) == block_ && (report[2] | report[3]) != 0) {
      stop_.request_stop();
    }
    return inner_.setOutputReport(report);
  }
  bool getInputReport(std::span<std::uint8_t> buffer) override { return inner_.getInputReport(buffer); }
  std::optional<std::size_t> inputReportLength() override { return inner_.inputReportLength(); }

 private:
  ReportChannel& inner_;
  std::stop_source& stop_;
  unsigned block_;
};

struct Outcome {
  int result;
  std::string faultLog;  // between "Chip Revision : 1" and the success line (if any)
  std::size_t reports;
  std::size_t pauses;
};

struct FaultRow {
  std::string name;
  std::function<sim::FaultPlan(unsigned block)> plan;  // empty plan for the stop row
  std::function<Outcome(unsigned block)> expected;
  bool stopAtBlock = false;
};

sim::FaultPlan One(sim::Fault fault) {
  sim::FaultPlan plan;
  plan.faults.push_back(fault);
  return plan;
}

std::size_t Remaining(unsigned block) { return (kBlocks - 1 - block) * kBlockSize; }
// Reports of a session that failed at `block`: the handshake and the blocks before it.
std::size_t Before(unsigned block) { return 3 + 2 * std::size_t{block}; }

std::vector<FaultRow> Rows() {
  std::vector<FaultRow> rows;
  for (unsigned k = 1; k <= 4; ++k) {
    rows.push_back({std::to_string(k) + " failed deliveries",
                    [k](unsigned b) {
                      return One({.phase = Phase::Transfer, .at = b, .kind = FaultKind::FailDelivery, .count = k});
                    },
                    [k](unsigned b) {
                      const std::string log = Repeat(msg::DnloadFail(b, Remaining(b)), k);
                      return k < 4 ? Outcome{1, log, kHealthyReports + k, k} : Outcome{0, log, Before(b) + 4, 4};
                    }});
    rows.push_back({std::to_string(k) + " failed reads",
                    [k](unsigned b) {
                      return One({.phase = Phase::Transfer, .at = b, .kind = FaultKind::FailRead, .count = k});
                    },
                    [k](unsigned b) {
                      const std::string log = Repeat(msg::GetStatusFailAtBlock(b), k);
                      return k < 4 ? Outcome{1, log, kHealthyReports + k, 0} : Outcome{0, log, Before(b) + 5, 0};
                    }});
  }
  rows.push_back({"state 8",
                  [](unsigned b) {
                    return One({.phase = Phase::Transfer, .at = b, .kind = FaultKind::ReportState, .value = 8});
                  },
                  [](unsigned b) { return Outcome{0, std::string(msg::kDownloadFailedAtGetStatus), Before(b) + 2, 0}; }});
  rows.push_back({"wrong nextBlock, then the right one",
                  [](unsigned b) {
                    return One({.phase = Phase::Transfer, .at = b, .kind = FaultKind::WrongNextBlock, .count = 2,
                                .value = static_cast<std::uint16_t>(b + 3)});
                  },
                  [](unsigned) { return Outcome{1, "", kHealthyReports + 2, 0}; }});
  rows.push_back({"busy, then the acknowledgement",
                  [](unsigned b) {
                    return One({.phase = Phase::Transfer, .at = b, .kind = FaultKind::PendingReads, .count = 3, .value = 2});
                  },
                  [](unsigned) { return Outcome{1, "", kHealthyReports + 3, 0}; }});
  rows.push_back({"never acknowledged",
                  [](unsigned b) { return One({.phase = Phase::Transfer, .at = b, .kind = FaultKind::NeverAcknowledge}); },
                  // One status read per millisecond of the wait.
                  [](unsigned b) { return Outcome{0, msg::AckTimeout(b), Before(b) + 1 + 40, 0}; }});
  rows.push_back({"removal",
                  [](unsigned b) { return One({.phase = Phase::Transfer, .at = b, .kind = FaultKind::Remove}); },
                  [](unsigned b) {
                    return Outcome{0, Repeat(msg::DnloadFail(b, Remaining(b)), 4), Before(b) + 4, 4};
                  }});
  rows.push_back({"stop request", [](unsigned) { return sim::FaultPlan{}; },
                  [](unsigned b) { return Outcome{0, "", Before(b) + 1, 0}; }, true});
  return rows;
}

TEST(FaultMatrix, EveryFaultAtEveryBlockEndsAsPromised) {
  const std::vector<std::uint8_t> image = PatternBytes(kImageLength);
  TempDir dir;
  const std::string path = dir.write("image.bin", image);
  const std::string head = "\r\nRuntime file is loaded. File size: 16384 bytes.\r\n"
                           "Start Runtime Transferring...\r\n"
                           "Chip Revision : 1\r\n";
  std::size_t scenarios = 0;
  for (const FaultRow& row : Rows()) {
    for (unsigned block = 0; block < kBlocks; ++block) {
      SCOPED_TRACE(row.name + " at block " + std::to_string(block));
      ManualClock clock;
      sim::SimulatedDeviceOptions options;
      options.faults = row.plan(block);
      options.timing.perPacket = std::chrono::microseconds{1000};
      sim::SimulatedDevice device(options, clock);
      std::stop_source stop;
      StopAtBlock stopping(device, stop, row.stopAtBlock ? block : kBlocks + 1);
      RecordingSink sink;
      ConfigImage configImage{};
      DownloadRequest request{DownloadMode::KvmSystem, path, {.ackTimeout = kAckTimeout}};
      SessionContext context{stopping, configImage, sink, clock, stop.get_token()};

      const std::size_t descriptors = OpenDescriptors();
      const int result = RunDownloadSession(request, context);
      const Outcome expected = row.expected(block);

      EXPECT_EQ(result, expected.result);
      EXPECT_EQ(sink.log, head + expected.faultLog +
                              (expected.result == 1 ? std::string(msg::kTransmittedSuccessfully) : ""));
      EXPECT_EQ(device.trace().size(), expected.reports);
      EXPECT_EQ(clock.pauses().size(), expected.pauses);
      // Progress moves one block per acknowledgement and is full only on success.
      const std::string lastPosition =
          "pos:" + std::to_string(expected.result == 1 ? kImageLength : block * kBlockSize);
      std::string seen;
      for (const std::string& event : sink.events) {
        if (event.rfind("pos:", 0) == 0) seen = event;
      }
      EXPECT_EQ(seen, lastPosition);
      EXPECT_EQ(OpenDescriptors(), descriptors);  // the firmware file was closed
      if (expected.result == 1) {
        const std::optional<sim::ReceivedImage> received = device.image(ImageType::KvmSystem);
        ASSERT_TRUE(received.has_value());
        EXPECT_EQ(received->bytes, image);
        EXPECT_TRUE(received->complete);
      }
      ++scenarios;
    }
  }
  std::cout << "fault matrix: " << scenarios << " scenarios through the simulated device\n";
  EXPECT_EQ(scenarios, 14U * kBlocks);
}

}  // namespace
}  // namespace zentho::testing
