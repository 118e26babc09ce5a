// A whole download job through CIapDlg: log text, icon, tones, controls and the clock.
#include <gtest/gtest.h>

#include <fstream>
#include <utility>

#include "app/window/control_ids.h"
#include "device/simulated/replay_device.h"
#include "device/simulated/trace_recorder.h"
#include "window_fakes.h"

namespace zentho::window::test {
namespace {

const std::string kStartLine = "\r\n--- Start to transmit Runtime firmware to Orvane device ---\r\n";

struct JobControls {
  bool download, filePath, browse, connect, timerRunning;
  friend bool operator==(const JobControls&, const JobControls&) = default;
};

void PrintTo(const JobControls& c, std::ostream* os) {
  *os << "download=" << c.download << " path=" << c.filePath << " browse=" << c.browse
      << " connect=" << c.connect << " timer=" << c.timerRunning;
}

JobControls ControlsOf(const WindowHarness& h) {
  const auto on = [&](int id) { return h.view.controls.at(id).enabled; };
  return {on(kIdcDownload), on(kIdcFilePath), on(kIdcBrowse), on(kIdcConnect),
          h.view.runningTimers.count(kElapsedTimerId) == 1};
}

const JobControls kAfterJob{false, true, true, true, false};

class DownloadJob : public ::testing::Test {
 protected:
  void SetUp() override {
    h.dlg->OnInitDialog();
    h.dlg->FilePath = h.writeFile("fw.bin", FirmwareBytes(2048 + 100));
    h.connect();
  }
  WindowHarness h;
};

TEST_F(DownloadJob, PassLogsSessionLinesShowsPassAndTwoTones) {
  h.runJob();
  EXPECT_EQ(h.view.log, kStartLine +
                            "\r\nRuntime file is loaded. File size: 2148 bytes.\r\n"
                            "Start Runtime Transferring...\r\n"
                            "Chip Revision : 1\r\n"
                            "--- Runtime firmware is transmitted successfully ---\r\n\r\n");
  EXPECT_EQ(h.view.result, ResultState::Pass);
  EXPECT_EQ(h.tones.played(), (std::vector<Tone>{{4000, 100}, {6000, 100}}));
  EXPECT_EQ(ControlsOf(h), kAfterJob);
  EXPECT_EQ(h.view.progressPosition, 2148U);
  const std::optional<sim::ReceivedImage> image = h.device->image(ImageType::KvmSystem);
  ASSERT_TRUE(image.has_value());
  EXPECT_TRUE(image->complete);
  EXPECT_EQ(std::string(image->bytes.begin(), image->bytes.end()), FirmwareBytes(2148));
}

TEST_F(DownloadJob, StartStepsInOrderAndFindDeviceLineGone) {
  h.view.appendLog("--- Find device ---\r\n\r\n");
  h.view.calls.clear();
  h.dlg->OnDownload();
  // The window's own steps are done when OnDownload returns; the worker waits for it.
  EXPECT_EQ(h.view.calls, (std::vector<std::string>{"clear log", "text 1017 00:00:00",
                                                    "check 1034 1", "check 1035 0", "check 1036 0",
                                                    "enable 1015 0", "enable 1002 0",
                                                    "enable 1001 0", "result idle",
                                                    "start timer 1", "progress 0"}));
  EXPECT_EQ(JobControls({false, false, false, true, true}), ControlsOf(h));
  h.windowThread.pumpUntil([&] { return !h.dlg->jobRunning(); });
  EXPECT_EQ(h.view.calls.at(11), "log " + kStartLine);
  EXPECT_EQ(h.view.log.substr(0, kStartLine.size()), kStartLine);
}

// The session talks to the tapped channel: a trace recorder there sees every report
// the device got, in order, and the download still passes.
TEST_F(DownloadJob, TappedChannelRecordsTheWholeSession) {
  const std::string tracePath = (h.folder / "window.trace").string();
  unsigned taps = 0;
  h.channelTap = [&](std::shared_ptr<ReportChannel> channel) -> std::shared_ptr<ReportChannel> {
    ++taps;
    auto recorder = sim::TraceRecorder::Create(std::move(channel), tracePath, h.clock);
    return recorder ? recorder.value() : nullptr;
  };
  h.runJob();
  EXPECT_EQ(taps, 1U);
  EXPECT_EQ(h.view.result, ResultState::Pass);

  std::ifstream in(tracePath, std::ios::binary);
  std::string error;
  const std::optional<std::vector<sim::TraceEntry>> recorded = sim::ReadTrace(in, error);
  ASSERT_TRUE(recorded.has_value()) << error;
  const auto outputs = [](const std::vector<sim::TraceEntry>& entries) {
    std::vector<std::vector<std::uint8_t>> reports;
    for (const sim::TraceEntry& entry : entries) {
      if (entry.kind == sim::TraceKind::Output) reports.push_back(entry.bytes);
    }
    return reports;
  };
  const std::vector<std::vector<std::uint8_t>> sent = outputs(*recorded);
  EXPECT_EQ(sent.size(), 5U);  // every output report of the 2148-byte download
  EXPECT_EQ(sent, outputs(h.device->trace()));
}

TEST_F(DownloadJob, FailShowsFailBurnFailAndLongTone) {
  h.dlg->FilePath = "?????";
  h.runJob();
  EXPECT_EQ(h.view.log, kStartLine +
                            "ERROR: Cannot open this Runtime binary file!!\r\n"
                            "\r\nBurn fail\r\n");
  EXPECT_EQ(h.view.result, ResultState::Fail);
  EXPECT_EQ(h.tones.played(), (std::vector<Tone>{{3500, 500}}));
  EXPECT_EQ(ControlsOf(h), kAfterJob);
}

// The bus's interfaces, each carrying a one-time note as a backend gives one (an old
// kernel, the output pipe).
class NotingPlatform final : public device::HidPlatform {
 public:
  explicit NotingPlatform(device::HidPlatform& inner) : inner_(inner) {}
  std::unique_ptr<device::InterfaceList> listInterfaces() override { return inner_.listInterfaces(); }
  device::OpenResult open(const std::string& path) override {
    device::OpenResult opened = inner_.open(path);
    if (opened) opened.value() = std::make_unique<Noted>(std::move(opened.value()));
    return opened;
  }
  std::unique_ptr<device::RemovalWatch> watchRemoval(device::HidDevice& device) override {
    return inner_.watchRemoval(*static_cast<Noted&>(device).inner);
  }

 private:
  struct Noted final : device::HidDevice {
    explicit Noted(std::unique_ptr<device::HidDevice> device) : inner(std::move(device)) {}
    const std::string& path() const override { return inner->path(); }
    OsResult<device::HidIds> ids() override { return inner->ids(); }
    bool setOutputReport(std::span<const std::uint8_t> r) override { return inner->setOutputReport(r); }
    bool getInputReport(std::span<std::uint8_t> b) override { return inner->getInputReport(b); }
    std::optional<std::size_t> inputReportLength() override { return inner->inputReportLength(); }
    std::optional<std::string> takeDiagnostic() override { return std::exchange(note, std::nullopt); }
    std::unique_ptr<device::HidDevice> inner;
    std::optional<std::string> note = "Why exchanges fail here.";
  };
  device::HidPlatform& inner_;
};

// A failed job's log ends with the failure line; the backend's note stands before it,
// also when an unplug releases the link between the failed exchange and that line.
TEST(DownloadJobNote, NoteStandsBeforeBurnFailWhichEndsTheLog) {
  const std::string transfer = "Start Runtime Transferring...\r\nChip Revision : 1\r\n";
  const std::string noteThenFail = "Why exchanges fail here.\r\n\r\nBurn fail\r\n";
  struct Case {
    const char* name;
    bool refused;           // the device answers state 8 at the first block
    unsigned unplugAt;      // the exchange during which the board is unplugged; 0: never
    std::string logEnd;
  } cases[] = {
      {"passed: no note", false, 0,
       transfer + "--- Runtime firmware is transmitted successfully ---\r\n\r\n"},
      {"refused", true, 0, transfer + "Download failed at GET_STATUS\r\n" + noteThenFail},
      {"unplugged during the transfer", false, 5, noteThenFail},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::SimulatedBus bus;
    NotingPlatform noting(bus);
    WindowHarness h(false, nullptr, &noting);
    sim::SimulatedDeviceOptions options;
    if (c.refused) {
      options.faults.faults.push_back(
          {.phase = sim::Phase::Transfer, .at = 1, .kind = sim::FaultKind::ReportState, .value = 8});
    }
    bus.plug(std::make_shared<sim::SimulatedDevice>(options, h.clock));
    h.dlg->OnInitDialog();
    h.dlg->FilePath = h.writeFile("fw.bin", FirmwareBytes(4 * 1024));
    h.connect();
    unsigned exchanges = 0;
    bus.onExchange([&](const std::string&) {
      // The removal is handled on the window's thread while the exchange is in flight.
      if (++exchanges == c.unplugAt) {
        h.windowThread.invoke([&] { h.dlg->OnDeviceChange(kDbtDeviceRemoveComplete, nullptr); });
      }
    });
    h.runJob();
    EXPECT_TRUE(h.view.log.ends_with(c.logEnd)) << h.view.log;
    EXPECT_EQ(h.view.log.find("Why exchanges fail here."), h.view.log.rfind("Why exchanges fail here."));
  }
}

TEST_F(DownloadJob, DisconnectDuringJobFailsIt) {
  unsigned exchanges = 0;
  h.bus.onExchange([&](const std::string&) {
    if (++exchanges == 4) h.windowThread.invoke([&] { h.dlg->OnConnect(); });
  });
  h.runJob();
  EXPECT_EQ(h.view.result, ResultState::Fail);
  const std::string disconnected = "--- Disconnect device ---\r\n\r\n";
  EXPECT_EQ(h.view.log.substr(0, disconnected.size()), disconnected);
  EXPECT_EQ(h.view.log.substr(h.view.log.size() - 13), "\r\nBurn fail\r\n");
  EXPECT_EQ(ControlsOf(h), kAfterJob);
  EXPECT_EQ(h.view.text(kIdcConnect), "Connect");
}

TEST_F(DownloadJob, SecondJobStartsFromZeroWithIdleIcon) {
  h.runJob();
  h.dlg->OnConnect();
  h.dlg->OnConnect();
  h.localTime.setSecond(5);
  h.dlg->OnDownload();
  h.localTime.setSecond(7);
  h.dlg->OnTimer(kElapsedTimerId);
  EXPECT_EQ(h.view.text(kIdcElapsedTime), "00:00:02");
  EXPECT_EQ(h.view.result, ResultState::Idle);
  h.windowThread.pumpUntil([&] { return !h.dlg->jobRunning(); });
}

// The elapsed clock, stepped by hand: LastTickTime's second, then each tick's second.
struct ClockCase {
  const char* name;
  int hours, minutes, seconds;  // elapsed before the steps
  std::uint16_t lastSecond;
  std::vector<std::uint16_t> tickSeconds;
  std::string shown;
};

class ElapsedClock : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ElapsedClock, Shows) {
  const ClockCase& c = GetParam();
  WindowHarness h;
  h.dlg->ElapsedHours = c.hours;
  h.dlg->ElapsedMinutes = c.minutes;
  h.dlg->ElapsedSeconds = c.seconds;
  h.dlg->LastTickTime.second = c.lastSecond;
  for (std::uint16_t second : c.tickSeconds) {
    h.localTime.setSecond(second);
    h.localTime.time.minute = static_cast<std::uint16_t>(h.localTime.time.minute + 7);
    h.dlg->OnTimer(kElapsedTimerId);
  }
  EXPECT_EQ(h.view.text(kIdcElapsedTime), c.shown);
  EXPECT_EQ(h.dlg->LastTickTime, h.localTime.time);
}

std::vector<std::uint16_t> EverySecondFrom(std::uint16_t first, unsigned count) {
  std::vector<std::uint16_t> seconds;
  for (unsigned i = 1; i <= count; ++i) seconds.push_back(static_cast<std::uint16_t>((first + i) % 60));
  return seconds;
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ElapsedClock,
    ::testing::Values(ClockCase{"WrapAddsThree", 0, 0, 0, 58, {1}, "00:00:03"},
                      ClockCase{"FiftyNine", 0, 0, 0, 30, EverySecondFrom(30, 59), "00:00:59"},
                      ClockCase{"Sixty", 0, 0, 0, 30, EverySecondFrom(30, 60), "00:01:00"},
                      ClockCase{"Hour", 0, 59, 59, 10, {11}, "01:00:00"},
                      ClockCase{"HundredHours", 99, 59, 59, 10, {11}, "100:00:00"},
                      ClockCase{"LateTickCatchesUp", 0, 0, 0, 10, {14}, "00:00:04"},
                      ClockCase{"DoubledTickAddsNothing", 0, 0, 0, 10, {11, 11}, "00:00:01"},
                      ClockCase{"MinutesBetweenTicksLost", 0, 0, 0, 10, {25}, "00:00:15"},
                      ClockCase{"SecondsCarryIntoMinutes", 0, 0, 50, 0, {15}, "00:01:05"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ElapsedClockTimer, OtherTimerIdsLeaveClock) {
  WindowHarness h;
  h.localTime.setSecond(20);
  h.dlg->OnTimer(2);
  EXPECT_EQ(h.view.text(kIdcElapsedTime), "00:00:00");
  EXPECT_TRUE(h.view.calls.empty());
}

}  // namespace
}  // namespace zentho::window::test
