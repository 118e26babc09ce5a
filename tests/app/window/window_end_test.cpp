// The ways the window ends, with and without a job, and the job's guards.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/window/control_ids.h"
#include "window_fakes.h"

namespace zentho::window::test {
namespace {

std::optional<std::string> SettingsOnDisk(const WindowHarness& h) {
  std::ifstream file(h.folder / "ZenthoIAP" / "setup.dat", std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

TEST(WindowEnd, CloseRequestReleasesLinkThenSaves) {
  WindowHarness h;
  h.dlg->OnInitDialog();
  h.connect();
  std::shared_ptr<device::DeviceLink> link = h.dlg->DeviceHandle;
  h.dlg->OnClose();
  EXPECT_EQ(h.trace.lines(), std::vector<std::string>{"-->OnClose\n"});
  EXPECT_TRUE(link->released());
  EXPECT_EQ(MainWindowRef(), nullptr);
  EXPECT_EQ(h.view.ended, DialogResult::Cancel);
  // First run without setup.dat: "?????" is what gets stored.
  EXPECT_EQ(SettingsOnDisk(h), "?????\r\n");
}

TEST(WindowEnd, CloseWithoutConnectReleasesNothing) {
  WindowHarness h;
  h.dlg->OnInitDialog();
  h.dlg->OnClose();
  EXPECT_EQ(h.bus.counters().opens, 0U);
  EXPECT_EQ(h.bus.counters().closes, 0U);
  EXPECT_EQ(SettingsOnDisk(h), "?????\r\n");
}

TEST(WindowEnd, StoredPathSurvivesARun) {
  std::filesystem::path folder;
  {
    WindowHarness h;
    h.dlg->OnInitDialog();
    h.view.nextChosenFile = "C:\\fw\\a.bin";
    h.dlg->OnBrowse();
    h.dlg->OnClose();
    EXPECT_EQ(SettingsOnDisk(h), "C:\\fw\\a.bin\r\n");
  }
}

TEST(WindowEnd, EscapeAndEnterLeaveSettingsAlone) {
  for (const bool enter : {false, true}) {
    WindowHarness h;
    h.dlg->OnInitDialog();
    h.view.controls[kIdcModeKvm].checked = false;
    h.view.controls[kIdcModeConfig].checked = true;
    enter ? h.dlg->OnOK() : h.dlg->OnCancel();
    EXPECT_EQ(h.view.ended, enter ? DialogResult::Ok : DialogResult::Cancel);
    EXPECT_EQ(h.dlg->DownloadMode, enter ? 2 : 0);  // OK saves the controls first
    EXPECT_EQ(SettingsOnDisk(h), std::nullopt);
    EXPECT_TRUE(h.trace.lines().empty());
    EXPECT_EQ(MainWindowRef(), h.dlg.get());
  }
}

TEST(WindowEnd, FailedSaveIsOneTraceLine) {
  WindowHarness h;
  h.dlg->OnInitDialog();
  // A folder in the way of the settings folder makes the save fail.
  std::ofstream(h.folder / "ZenthoIAP") << "not a folder";
  h.dlg->OnClose();
  const std::vector<std::string> lines = h.trace.lines();
  ASSERT_EQ(lines.size(), 2U);
  const std::string prefix = "Cannot save settings to " + (h.folder / "ZenthoIAP" / "setup.dat").string() + ": ";
  EXPECT_EQ(lines[1].substr(0, prefix.size()), prefix);
  EXPECT_EQ(lines[1].back(), '\n');
  EXPECT_EQ(h.view.ended, DialogResult::Cancel);
}

// Each way of ending, asked for while the session is in the middle of its blocks: the
// close button, answered Yes.
struct EndDuringJob {
  const char* name;
  std::function<void(CIapDlg&)> end;
  DialogResult result;
  bool savesSettings;
};

class EndDuringJobTest : public ::testing::TestWithParam<EndDuringJob> {};

TEST_P(EndDuringJobTest, StopsSessionAndEndsOnlyAfterWorker) {
  const EndDuringJob& c = GetParam();
  WindowHarness h;
  h.dlg->OnInitDialog();
  h.dlg->FilePath = h.writeFile("fw.bin", FirmwareBytes(8 * 1024));
  h.connect();
  std::shared_ptr<device::DeviceLink> link = h.dlg->DeviceHandle;
  h.view.answerYes = true;

  unsigned exchanges = 0;
  bool endedAtRequest = true;
  bool linkReleasedAtRequest = true;
  h.bus.onExchange([&](const std::string&) {
    if (++exchanges != 6) return;
    h.windowThread.invoke([&] {
      c.end(*h.dlg);
      endedAtRequest = h.view.ended.has_value();
      linkReleasedAtRequest = link->released();
    });
  });
  h.runJob();

  EXPECT_FALSE(endedAtRequest);
  EXPECT_FALSE(linkReleasedAtRequest);
  // Asked once, even when the close button is pressed again while the session stops.
  EXPECT_EQ(h.view.questions, std::vector<std::string>{"A download is running. Stop it and close?"});
  EXPECT_EQ(h.view.ended, c.result);
  EXPECT_TRUE(link->released());
  EXPECT_TRUE(link->closed());
  EXPECT_EQ(h.view.calls.back(), c.result == DialogResult::Ok ? "end ok" : "end cancel");
  // The stopped session wrote nothing more and the window showed no verdict.
  EXPECT_EQ(h.view.log.find("Burn fail"), std::string::npos);
  EXPECT_EQ(h.view.log.find("successfully"), std::string::npos);
  EXPECT_TRUE(h.tones.played().empty());
  EXPECT_EQ(exchanges, 6U);
  const std::optional<sim::ReceivedImage> image = h.device->image(ImageType::KvmSystem);
  ASSERT_TRUE(image.has_value());
  EXPECT_FALSE(image->complete);
  EXPECT_EQ(SettingsOnDisk(h).has_value(), c.savesSettings);
  if (c.savesSettings) {
    EXPECT_EQ(SettingsOnDisk(h), h.dlg->FilePath + "\r\n");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Ways, EndDuringJobTest,
    ::testing::Values(EndDuringJob{"CloseRequest", [](CIapDlg& d) { d.OnClose(); },
                                   DialogResult::Cancel, true},
                      EndDuringJob{"CloseTwice",
                                   [](CIapDlg& d) {
                                     d.OnClose();
                                     d.OnClose();
                                   },
                                   DialogResult::Cancel, true},
                      EndDuringJob{"EscapeAndEnterThenClose",
                                   [](CIapDlg& d) {
                                     d.OnCancel();
                                     d.OnOK();
                                     d.OnClose();
                                   },
                                   DialogResult::Cancel, true}),
    [](const auto& test) { return std::string(test.param.name); });

// A stray key or a close answered No during a download: the download carries on to
// its verdict and the window stays. Afterwards the same key ends the window again.
struct KeptDuringJob {
  const char* name;
  std::function<void(CIapDlg&)> press;
  std::vector<std::string> questions;
  std::vector<std::string> trace;
};

void PrintTo(const KeptDuringJob& c, std::ostream* out) { *out << c.name; }

class KeptDuringJobTest : public ::testing::TestWithParam<KeptDuringJob> {};

TEST_P(KeptDuringJobTest, DownloadCarriesOnAndTheWindowStays) {
  const KeptDuringJob& c = GetParam();
  WindowHarness h;
  h.dlg->OnInitDialog();
  const std::vector<std::uint8_t> image = [] {
    const std::string bytes = FirmwareBytes(8 * 1024);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
  }();
  h.dlg->FilePath = h.writeFile("fw.bin", FirmwareBytes(8 * 1024));
  h.connect();
  unsigned exchanges = 0;
  h.bus.onExchange([&](const std::string&) {
    if (++exchanges == 6) h.windowThread.invoke([&] { c.press(*h.dlg); });
  });
  h.runJob();

  EXPECT_EQ(h.view.ended, std::nullopt);
  EXPECT_EQ(h.view.questions, c.questions);
  EXPECT_EQ(h.trace.lines(), c.trace);
  EXPECT_EQ(h.view.result, ResultState::Pass);
  EXPECT_TRUE(h.view.log.ends_with("--- Runtime firmware is transmitted successfully ---\r\n\r\n"));
  EXPECT_EQ(h.device->image(ImageType::KvmSystem)->bytes, image);
  EXPECT_FALSE(h.dlg->DeviceHandle->released());
  EXPECT_EQ(SettingsOnDisk(h), std::nullopt);

  c.press(*h.dlg);
  EXPECT_TRUE(h.view.ended.has_value());
  EXPECT_EQ(h.view.questions, c.questions);  // no job now, so no question
}

INSTANTIATE_TEST_SUITE_P(
    Presses, KeptDuringJobTest,
    ::testing::Values(KeptDuringJob{"Escape", [](CIapDlg& d) { d.OnCancel(); }, {},
                                    {"Start download file to device\n"}},
                      KeptDuringJob{"Enter", [](CIapDlg& d) { d.OnOK(); }, {},
                                    {"Start download file to device\n"}},
                      KeptDuringJob{"CloseAnsweredNo", [](CIapDlg& d) { d.OnClose(); },
                                    {"A download is running. Stop it and close?"},
                                    {"Start download file to device\n", "-->OnClose\n"}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(JobGuards, ConnectDuringJobWaitsForJobBeforeOfferingDownload) {
  WindowHarness h;
  h.dlg->OnInitDialog();
  h.dlg->FilePath = h.writeFile("fw.bin", FirmwareBytes(4 * 1024));
  h.connect();
  unsigned exchanges = 0;
  bool downloadEnabledDuringJob = true;
  h.bus.onExchange([&](const std::string&) {
    if (++exchanges != 5) return;
    h.windowThread.invoke([&] {
      h.dlg->OnDeviceChange(kDbtDeviceRemoveComplete, nullptr);
      h.dlg->OnConnect();  // finds the device again
      downloadEnabledDuringJob = h.view.controls.at(kIdcDownload).enabled;
      h.dlg->OnDownload();  // a stray press: no second session
    });
  });
  h.runJob();
  EXPECT_FALSE(downloadEnabledDuringJob);
  EXPECT_TRUE(h.dlg->Connected);
  EXPECT_TRUE(h.view.controls.at(kIdcDownload).enabled);
  // The first job failed on its released link; one start line, one verdict.
  EXPECT_EQ(h.view.result, ResultState::Fail);
  EXPECT_EQ(std::count(h.view.calls.begin(), h.view.calls.end(), "start timer 1"), 1);
  EXPECT_EQ(h.tones.played(), (std::vector<Tone>{{3500, 500}}));
}

TEST(JobGuards, RemovalDuringJobKeepsDownloadOff) {
  WindowHarness h;
  h.dlg->OnInitDialog();
  h.dlg->FilePath = h.writeFile("fw.bin", FirmwareBytes(4 * 1024));
  h.connect();
  unsigned exchanges = 0;
  h.bus.onExchange([&](const std::string&) {
    if (++exchanges == 5) h.bus.unplug(h.devicePath);
  });
  h.runJob();
  h.windowThread.pumpPending();
  EXPECT_EQ(h.view.result, ResultState::Fail);
  EXPECT_FALSE(h.view.controls.at(kIdcDownload).enabled);
  EXPECT_EQ(h.view.text(kIdcConnect), "Connect");
  EXPECT_NE(h.view.log.find("--- Device Unpluged---\r\n\r\n"), std::string::npos);
}

TEST(JobGuards, TimerOrWorkerNotStartedFailsJobAndGivesControlsBack) {
  struct Case {
    const char* name;
    bool timerFails;
    bool workerFails;
    std::string trace;
  };
  for (const Case& c : {Case{"timer", true, false, "Cannot start the elapsed-time timer.\n"},
                        Case{"worker", false, true, "Cannot start the download worker.\n"}}) {
    FailingWorkerThreads failing;
    WindowHarness h(true, c.workerFails ? &failing : nullptr);
    h.dlg->OnInitDialog();
    h.connect();
    h.view.timersFail = c.timerFails;
    h.dlg->OnDownload();
    EXPECT_FALSE(h.dlg->jobRunning()) << c.name;
    EXPECT_EQ(h.view.log, "\r\nBurn fail\r\n") << c.name;
    EXPECT_EQ(h.view.result, ResultState::Fail) << c.name;
    EXPECT_EQ(h.tones.played(), (std::vector<Tone>{{3500, 500}})) << c.name;
    EXPECT_EQ(h.trace.lines(), std::vector<std::string>{c.trace}) << c.name;
    for (int id : {kIdcFilePath, kIdcBrowse, kIdcConnect}) {
      EXPECT_TRUE(h.view.controls.at(id).enabled) << c.name << " " << id;
    }
    EXPECT_FALSE(h.view.controls.at(kIdcDownload).enabled) << c.name;
    EXPECT_TRUE(h.view.runningTimers.empty()) << c.name;
    EXPECT_EQ(h.bus.counters().opens, 1U) << c.name;  // no session touched the device
    EXPECT_TRUE(h.device->trace().empty()) << c.name;
  }
}

}  // namespace
}  // namespace zentho::window::test
