// The download job: its start on the window's thread, the worker, the elapsed clock
// and the job's end.
#include <cstdio>

#include "app/window/control_ids.h"
#include "app/window/iap_dlg.h"
#include "app/window/view_proxy.h"
#include "app/window/window_strings.h"
#include "base/native_path.h"
#include "transfer/download_job.h"

namespace zentho::window {
namespace {

constexpr unsigned kPassToneHz = 4000;
constexpr unsigned kPassSecondToneHz = 6000;
constexpr unsigned kPassToneMs = 100;
constexpr unsigned kFailToneHz = 3500;
constexpr unsigned kFailToneMs = 500;

// The session's log, progress and trace, sent to the window's controls.
class JobSink final : public SessionSink {
 public:
  JobSink(WindowView& controls, DebugTrace& trace) : controls_(controls), trace_(trace) {}
  void appendLog(std::string_view text) override { controls_.appendLog(text); }
  void setProgressRange(std::uint32_t low, std::uint32_t high) override {
    controls_.setProgressRange(low, high);
  }
  void setProgressStep(std::uint32_t step) override { controls_.setProgressStep(step); }
  void setProgressPosition(std::uint32_t position) override {
    controls_.setProgressPosition(position);
  }
  void debugTrace(std::string_view line) override { trace_.line(line); }

 private:
  WindowView& controls_;
  DebugTrace& trace_;
};

// What a session gets when no link is up: every exchange fails.
class NoLink final : public ReportChannel {
 public:
  bool setOutputReport(std::span<const std::uint8_t>) override { return false; }
  bool getInputReport(std::span<std::uint8_t>) override { return false; }
  std::optional<std::size_t> inputReportLength() override { return std::nullopt; }
};

// The verdict's icon shows before the failure line, its tones play after it. Why the
// exchanges may have failed (an old kernel, the output pipe) stands before the failure
// line too, so that a failed job's log always ends with it; after a pass it would only
// be noise.
JobFrame WindowFrame(WindowView& controls, device::DeviceLink* link) {
  return {OnStop::Quiet, [&controls, link](JobVerdict verdict) {
            controls.showResult(verdict == JobVerdict::Passed ? ResultState::Pass
                                                              : ResultState::Fail);
            if (verdict != JobVerdict::Failed || link == nullptr) return;
            if (std::optional<std::string> note = link->takeDiagnostic()) {
              controls.appendLog(*note + "\r\n");
            }
          }};
}

void PlayVerdict(TonePlayer& tones, JobVerdict verdict) {
  if (verdict == JobVerdict::Passed) {
    tones.beep(kPassToneHz, kPassToneMs);
    tones.beep(kPassSecondToneHz, kPassToneMs);
  } else if (verdict == JobVerdict::Failed) {
    tones.beep(kFailToneHz, kFailToneMs);
  }
}

void GiveControlsBack(WindowView& controls) {
  controls.stopTimer(kElapsedTimerId);
  controls.enable(kIdcFilePath, true);
  controls.enable(kIdcBrowse, true);
  controls.enable(kIdcConnect, true);
}

std::string FormatElapsed(int hours, int minutes, int seconds) {
  char text[48];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", hours, minutes, seconds);
  return text;
}

}  // namespace

void CIapDlg::OnDownload() {
  // Download is disabled during a job, but a stray click must never start a second
  // session on this window.
  if (jobRunning() || ended_) return;
  view().clearLog();
  UpdateData(true);
  ElapsedSeconds = 0;
  ElapsedMinutes = 0;
  ElapsedHours = 0;
  view().setText(kIdcElapsedTime, text::kElapsedZero);
  UpdateData(false);
  view().enable(kIdcFilePath, false);
  view().enable(kIdcBrowse, false);
  view().enable(kIdcDownload, false);
  view().showResult(ResultState::Idle);
  LastTickTime = services_.localTime.now();
  const bool timerStarted = view().startTimer(kElapsedTimerId, kElapsedTimerPeriodMs);
  view().setProgressPosition(0);
  if (!timerStarted) {
    services_.trace.line(text::kTraceTimerNotStarted);
    FailJobWithoutWorker();
    return;
  }

  // The file chosen now against every file the window writes, through any link, before
  // an output is emptied or a byte is sent.
  if (const std::optional<std::string> clash =
          FindFileClash({{"the chosen file", FilePath}, {"setup.dat", PathBytes(services_.settingsPath)}},
                        services_.outputs)) {
    view().appendLog(std::string(text::kDownloadRefusedPrefix) + *clash + "\r\n");
    FailJobWithoutWorker();
    return;
  }

  DownloadRequest request{static_cast<zentho::DownloadMode>(DownloadMode), FilePath,
                          services_.sessionSettings};
  std::shared_ptr<device::DeviceLink> link = DeviceHandle;
  worker_ = services_.workers.start(
      [this, request = std::move(request), link = std::move(link)](std::stop_token stop) {
        DownloadThread(request, link, stop);
      });
  if (!worker_) {
    services_.trace.line(text::kTraceWorkerNotStarted);
    FailJobWithoutWorker();
  }
}

void CIapDlg::DownloadThread(const DownloadRequest& request,
                             const std::shared_ptr<device::DeviceLink>& link,
                             std::stop_token stop) {
  ViewProxy controls(view(), services_.windowThread);
  JobSink sink(controls, services_.trace);
  NoLink noLink;
  std::shared_ptr<ReportChannel> tapped;
  if (link && services_.channelTap) tapped = services_.channelTap(link);
  ReportChannel& channel = tapped ? *tapped : link ? static_cast<ReportChannel&>(*link) : noLink;

  SessionContext context{channel, ConfigImage, sink, services_.sessionClock, stop};
  // A stop comes only from a window that is ending: no verdict, no tones to hold it up.
  const JobVerdict verdict =
      RunDownloadJob(request, context, WindowFrame(controls, link.get())).verdict;
  PlayVerdict(services_.tones, verdict);
  GiveControlsBack(controls);
  services_.windowThread.post([this] { OnJobEnded(); });
}

void CIapDlg::FailJobWithoutWorker() {
  JobSink sink(view(), services_.trace);
  EndDownloadJob(JobVerdict::Failed, sink, WindowFrame(view(), nullptr));
  PlayVerdict(services_.tones, JobVerdict::Failed);
  GiveControlsBack(view());
}

void CIapDlg::OnJobEnded() {
  // The worker's last act was to post this event, so the join returns at once.
  worker_->join();
  worker_.reset();
  if (pendingEnd_ != PendingEnd::None) {
    const PendingEnd how = pendingEnd_;
    pendingEnd_ = PendingEnd::None;
    ReleaseLink();
    EndWindow(how);
    return;
  }
  if (downloadAfterJob_) {
    downloadAfterJob_ = false;
    if (Connected) view().enable(kIdcDownload, true);
  }
}

void CIapDlg::OnTimer(unsigned timerId) {
  if (timerId == kElapsedTimerId) UpdateElapsedTime();
}

void CIapDlg::UpdateElapsedTime() {
  const LocalTime now = services_.localTime.now();
  // Only the seconds fields count: a late tick catches up, a doubled one adds nothing.
  int step = int{now.second} - int{LastTickTime.second};
  if (now.second < LastTickTime.second) step += 60;
  LastTickTime = now;
  ElapsedSeconds += step;
  if (ElapsedSeconds >= 60) {
    ElapsedSeconds -= 60;
    ++ElapsedMinutes;
    if (ElapsedMinutes >= 60) {
      ElapsedMinutes -= 60;
      ++ElapsedHours;
    }
  }
  view().setText(kIdcElapsedTime, FormatElapsed(ElapsedHours, ElapsedMinutes, ElapsedSeconds));
}

}  // namespace zentho::window
