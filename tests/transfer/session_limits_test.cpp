// What the session does where the device protocol leaves it open: time-out, empty and
// shrinking files, unreadable report lengths, stop requests.
#include "tests/transfer/session_fixture.h"

namespace zentho::testing {
namespace {

using ::testing::ElementsAre;
using std::chrono::milliseconds;
using sim::FaultKind;
using sim::Phase;

TEST_F(SessionTest, BlockNeverAcknowledgedTimesOutAfterTheConfiguredWait) {
  device({.faults = {{.phase = Phase::Transfer, .at = 1, .kind = FaultKind::NeverAcknowledge}}});
  const auto started = clock.now();
  EXPECT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(3000))), 0);
  EXPECT_EQ(logLines().back(), "Get status timeout, block number = 1\r\n");
  // Reads cost 1 ms each on the simulated bus: about 5000 of them went by.
  const auto waited = clock.now() - started;
  EXPECT_GE(waited, milliseconds(5000));
  EXPECT_LT(waited, milliseconds(5100));
  EXPECT_TRUE(clock.pauses().empty());
}

TEST_F(SessionTest, AcknowledgementTimeoutIsASessionSetting) {
  settings.ackTimeout = milliseconds(40);
  device({.faults = {{.phase = Phase::Transfer, .at = 0, .kind = FaultKind::PendingReads, .count = 100}}});
  EXPECT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(10))), 0);
  EXPECT_EQ(logLines().back(), "Get status timeout, block number = 0\r\n");
  const auto lines = trace();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "GET 8 ok"), 1 + 40);
}

struct RefusedFileCase {
  DownloadMode mode;
  std::string content;  // empty: no file at all
  bool create;
  std::vector<std::string> lines;
};

class RefusedFileTest : public SessionTest, public ::testing::WithParamInterface<RefusedFileCase> {};

TEST_P(RefusedFileTest, IsReportedBeforeAnyReportIsSent) {
  device();
  const std::string path = GetParam().create ? dir.write("f", GetParam().content) : dir.file("missing");
  EXPECT_EQ(run(GetParam().mode, path), 0);
  EXPECT_EQ(logLines(), GetParam().lines);
  EXPECT_TRUE(device_->trace().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedFileTest,
    ::testing::Values(
        RefusedFileCase{DownloadMode::SoftwareConfig, "", false,
                        {"ERROR: Cannot open this Runtime binary file!!\r\n"}},
        RefusedFileCase{DownloadMode::KvmSystem, "", false,
                        {"ERROR: Cannot open this Runtime binary file!!\r\n"}},
        RefusedFileCase{DownloadMode::KvmSystem, "", true,
                        {"\r\nRuntime file is loaded. File size: 0 bytes.\r\n",
                         "ERROR: The Runtime binary file is empty!!\r\n"}},
        RefusedFileCase{DownloadMode::Bootloader, "", true,
                        {"\r\nRuntime file is loaded. File size: 0 bytes.\r\n",
                         "ERROR: The Runtime binary file is empty!!\r\n"}}));

TEST_F(SessionTest, DirectoryIsNotAFirmwareFile) {
  device();
  EXPECT_EQ(run(DownloadMode::KvmSystem, dir.file("")), 0);
  EXPECT_THAT(logLines(), ElementsAre("ERROR: Cannot open this Runtime binary file!!\r\n"));
}

TEST_F(SessionTest, FileThatShrinksAfterMeasuringIsNotSentWithStaleBytes) {
  device(sim::FaultPlan::HandshakeStates({2, 1}));
  const std::string path = dir.write("a.bin", PatternBytes(3000));
  // The handshake's recovery pause is where the file changes under the session.
  clock.onSleep([&](Clock::duration) { std::filesystem::resize_file(path, 1500); });
  EXPECT_EQ(run(DownloadMode::KvmSystem, path), 0);
  EXPECT_EQ(logLines().back(), "ERROR: Cannot read this Runtime binary file!!\r\n");
  EXPECT_THAT(trace(), ElementsAre("LEN 8", "SETIMGTYPE 1", "GET 8 ok", "ABORT 1", "SETIMGTYPE 1",
                                   "GET 8 ok", "DNLOAD 0 1024", "GET 8 ok"));  // no block 1
}

TEST_F(SessionTest, UnknownInputReportLengthEndsTheSession) {
  sim::FaultPlan plan;
  plan.declaredInputLength = std::nullopt;
  device(plan);
  EXPECT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(10))), 0);
  EXPECT_EQ(logLines().back(), "GETSTATUS FAIL\r\n");
  EXPECT_THAT(trace(), ElementsAre("LEN fail"));
}

TEST_F(SessionTest, LongerDeclaredInputReportIsReadWholeDuringTheHandshakeOnly) {
  sim::FaultPlan plan;
  plan.declaredInputLength = 64;
  device(plan);
  EXPECT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(10))), 1);
  EXPECT_THAT(trace(), ElementsAre("LEN 64", "SETIMGTYPE 1", "GET 64 ok", "DNLOAD 0 10", "GET 8 ok",
                                   "DNLOAD 1 0"));
}

TEST_F(SessionTest, DeclaredInputLengthOutsideEightToTheHidMaximumIsAFailedQuery) {
  // Each would be a buffer of that size: 2^64-1 threw length_error, 2^32-1 took 4 GiB.
  const std::vector<std::pair<std::size_t, int>> cases = {
      {7, 0}, {8, 1}, {16384, 1}, {16385, 0}, {0xFFFFFFFFu, 0}, {SIZE_MAX, 0}};
  for (const auto& [declared, result] : cases) {
    sim::FaultPlan plan;
    plan.declaredInputLength = declared;
    device(plan);
    sink.events.clear();
    EXPECT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(10))), result) << declared;
    if (result == 0) {
      EXPECT_EQ(logLines().back(), "GETSTATUS FAIL\r\n") << declared;
      EXPECT_THAT(trace(), ElementsAre("LEN " + std::to_string(declared))) << declared;
    } else {
      EXPECT_EQ(trace().at(2), "GET " + std::to_string(declared) + " ok") << declared;
    }
  }
}

// Keeps the block number and length of the last few DNLOAD reports only, where a full
// trace of a 64 MiB image would hold 135 MB of report bytes.
class LastBlocks final : public ReportChannel {
 public:
  explicit LastBlocks(ReportChannel& inner) : inner_(inner) {}
  bool setOutputReport(std::span<const std::uint8_t> report) override {
    if (report[1] == 1) {
      last_.push_back(std::to_string(report[4] | (report[5] << 8)) + " " +
                      std::to_string(report[2] | (report[3] << 8)));
      if (last_.size() > 3) last_.erase(last_.begin());
    }
    return inner_.setOutputReport(report);
  }
  bool getInputReport(std::span<std::uint8_t> buffer) override { return inner_.getInputReport(buffer); }
  std::optional<std::size_t> inputReportLength() override { return inner_.inputReportLength(); }
  std::vector<std::string> last_;

 private:
  ReportChannel& inner_;
};

TEST_F(SessionTest, ImageOfSixtyFourMiBAndOneByteWrapsItsBlockNumbers) {
  // 65,537 blocks: after block 65535 the numbers start again at 0, and the closing
  // report carries 65537 taken in 16 bits.
  const std::size_t length = 64 * 1024 * 1024 + 1;
  std::vector<std::uint8_t> bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 1024);
  const std::string path = dir.write("big.bin", bytes);
  sim::SimulatedDeviceOptions options;
  options.keepImages = false;
  options.recordTrace = false;
  device_.emplace(options, clock);
  LastBlocks channel(*device_);
  DownloadRequest request{DownloadMode::KvmSystem, path, settings};
  SessionContext context{channel, configImage, sink, clock, stop.get_token()};
  EXPECT_EQ(RunDownloadSession(request, context), 1);
  EXPECT_THAT(channel.last_, ElementsAre("65535 1024", "0 1", "1 0"));
  const std::optional<sim::ReceivedImage> image = device_->image(ImageType::KvmSystem);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->length, length);
  EXPECT_EQ(image->digest, sim::Fnv1a64(bytes.data(), bytes.size()));
  EXPECT_TRUE(image->complete);
  const std::string head = "\r\nRuntime file is loaded. File size: 67108865 bytes.\r\n";
  EXPECT_EQ(sink.log.substr(0, head.size()), head);
}

TEST_F(SessionTest, StopDuringARecoveryPauseEndsAtOnceAndQuietly) {
  device(sim::FaultPlan::HandshakeStates({8, 1}));
  clock.onSleep([&](Clock::duration) { stop.request_stop(); });
  EXPECT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(10))), 0);
  EXPECT_THAT(trace(), ElementsAre("LEN 8", "SETIMGTYPE 1", "GET 8 ok", "CLRSTATUS 1"));
  EXPECT_EQ(logLines().back(), "Chip Revision : 1\r\n");
}

// A sink whose progress report asks the session to stop, as a window closing mid-transfer.
class StoppingSink final : public SessionSink {
 public:
  StoppingSink(RecordingSink& inner, std::stop_source& stop, std::uint32_t at)
      : inner_(inner), stop_(stop), at_(at) {}
  void appendLog(std::string_view text) override { inner_.appendLog(text); }
  void setProgressRange(std::uint32_t low, std::uint32_t high) override { inner_.setProgressRange(low, high); }
  void setProgressStep(std::uint32_t step) override { inner_.setProgressStep(step); }
  void setProgressPosition(std::uint32_t position) override {
    inner_.setProgressPosition(position);
    if (position == at_) stop_.request_stop();
  }
  void debugTrace(std::string_view line) override { inner_.debugTrace(line); }

 private:
  RecordingSink& inner_;
  std::stop_source& stop_;
  std::uint32_t at_;
};

TEST_F(SessionTest, StopDuringTheTransferSendsNothingMore) {
  device();
  StoppingSink stopping(sink, stop, 1024);
  DownloadRequest request{DownloadMode::KvmSystem, dir.write("a.bin", PatternBytes(4096)), settings};
  SessionContext context{*device_, configImage, stopping, clock, stop.get_token()};
  EXPECT_EQ(RunDownloadSession(request, context), 0);
  EXPECT_EQ(trace().back(), "GET 8 ok");  // block 0's acknowledgement, then nothing
  EXPECT_EQ(sink.events.back(), "pos:1024");
}

TEST_F(SessionTest, ModeOutsideTheThreeIsRefused) {
  device();
  EXPECT_EQ(run(static_cast<DownloadMode>(-1), dir.write("a.bin", PatternBytes(10))), 0);
  EXPECT_THAT(logLines(), ElementsAre("ERROR: Unknown download mode -1!!\r\n"));
  EXPECT_TRUE(device_->trace().empty());
}

}  // namespace
}  // namespace zentho::testing
