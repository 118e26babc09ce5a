// The download verb: check the file, find the devices, run the sessions, report.
#include "app/cli/download_verb.h"

#include <cerrno>
#include <cmath>
#include <functional>
#include <optional>
#include <stop_token>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

#include "app/cli/console_platform.h"
#include "app/cli/device_selection.h"
#include "app/cli/hex_id.h"
#include "app/cli/input_files.h"
#include "base/file_guard.h"
#include "app/cli/job_runner.h"
#include "app/cli/json_output.h"
#include "app/cli/log_files.h"
#include "app/cli/output_files.h"
#include "app/cli/progress_bar.h"
#include "app/cli/reporter.h"
#include "app/cli/simulation.h"
#include "app/cli/text_output.h"
#include "app/cli/image_options.h"
#include "device/simulated/trace_recorder.h"
#include "base/os_result.h"

namespace zentho::cli {
namespace {

// Said on the first Ctrl-C during a download: the sessions stop within one exchange,
// which may leave the device between two images.
constexpr const char* kStopWarning =
    "zentho-iap: stopping the download: the device may be left without a complete image "
    "(Ctrl-C again quits at once)\n";

// Hands every event to each output; the progress bar steps aside while text is written.
class Outputs final : public JobObserver {
 public:
  void add(JobObserver& observer) { observers_.push_back(&observer); }
  void setBar(ProgressBar& bar) {
    bar_ = &bar;
    add(bar);
  }

  void started(std::size_t d, const Target& t) override {
    for (JobObserver* o : observers_) o->started(d, t);
  }
  void logged(std::size_t d, std::string_view text) override {
    if (bar_ != nullptr) bar_->erase();
    for (JobObserver* o : observers_) o->logged(d, text);
    if (bar_ != nullptr) bar_->draw();
  }
  void progressed(std::size_t d, std::uint32_t bytes, std::uint32_t total) override {
    for (JobObserver* o : observers_) o->progressed(d, bytes, total);
  }
  void debugTraced(std::size_t d, std::string_view line) override {
    if (bar_ != nullptr) bar_->erase();
    for (JobObserver* o : observers_) o->debugTraced(d, line);
  }
  void exchangeFailed(std::size_t d, std::string_view reason) override {
    for (JobObserver* o : observers_) o->exchangeFailed(d, reason);
  }
  void finished(std::size_t d, const DeviceResult& r) override {
    if (bar_ != nullptr) bar_->erase();
    for (JobObserver* o : observers_) o->finished(d, r);
  }
  void summarized(const std::vector<DeviceResult>& results) override {
    if (bar_ != nullptr) bar_->erase();
    for (JobObserver* o : observers_) o->summarized(results);
  }

 private:
  std::vector<JobObserver*> observers_;
  ProgressBar* bar_ = nullptr;
};

// A failure before any session: a line on stderr, and an error event for --json.
class Complaint {
 public:
  Complaint(Environment& environment, bool json) : environment_(environment), json_(json) {}
  void operator()(std::string_view kind, const std::string& message) const {
    Report(environment_.err, message);
    if (json_) WriteJsonError(environment_.out, kind, message);
  }

 private:
  Environment& environment_;
  bool json_;
};

// CLI::Range lets NaN through (every comparison with it is false).
CLI::Validator FiniteNumber() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        double number = 0;
        if (!CLI::detail::lexical_cast(value, number) || !std::isfinite(number)) {
          return "Value " + value + " is not a finite number";
        }
        return {};
      },
      "");
}

}  // namespace

void DownloadVerb::options(CLI::App& command) {
  AddImageOptions(command, options_.mode, options_.file);
  AddIdOptions(command, options_.ids);
  CLI::Option* device =
      command.add_option("--device", options_.devicePath, "Use the interface at PATH")
          ->type_name("PATH");
  command.add_flag("--all", options_.all, "Every matching device at once, one result each")
      ->excludes(device);
  command.add_option("--wait", options_.waitSeconds, "Wait up to SECONDS for a device to appear")
      ->type_name("SECONDS")
      ->check(FiniteNumber())
      ->check(CLI::Range(0.0, 86400.0));
  AddAckTimeoutOption(command, options_.ackTimeoutMs);
  command.add_flag("--json", options_.json, "JSON Lines on stdout, one object per event");
  command.add_flag("--quiet,-q", options_.quiet, "No log on stdout; the exit code tells");
  command.add_option("--log", options_.logPath, "Also write the exact log (CR LF) to FILE")
      ->type_name("FILE");
  command.add_option("--trace", options_.tracePath, "Record every report exchanged to FILE")
      ->type_name("FILE");
  command
      .add_flag("--simulate", options_.simulate,
                "Simulated devices instead of real ones: one, N, or one replaying TRACE")
      ->option_text("[=N|TRACE]")
      ->check(SimulateValidator());
  command.add_flag("--debug-trace", options_.debugTrace, "Show the session's debug-trace lines");
}

Outcome DownloadVerb::run(Environment& environment) {
  const Complaint complain(environment, options_.json);
  const SimulateChoice simulate = ParseSimulate(options_.simulate);
  if (!simulate.tracePath.empty() && (options_.all || !options_.devicePath.empty())) {
    complain("usage", "--simulate=TRACE replays one device: no --all or --device with it");
    return Outcome::UsageError;
  }
  if (const std::string why = InputProblem(options_.file); !why.empty()) {
    complain("file", "cannot read " + options_.file + ": " + why);
    return Outcome::FileUnreadable;
  }
  std::vector<Target> targets;
  if (const Outcome found = findTargets(environment, simulate, targets); found != Outcome::Success) {
    return found;
  }
  LogFiles logFiles;
  if (const Outcome opened = openRecordings(environment, targets, logFiles);
      opened != Outcome::Success) {
    return opened;
  }
  return runSessions(environment, targets, logFiles);
}

Outcome DownloadVerb::findTargets(Environment& environment, const SimulateChoice& simulate,
                                  std::vector<Target>& targets) {
  const Options& o = options_;
  const Complaint complain(environment, o.json);
  if (!simulate.tracePath.empty()) {
    std::string error;
    std::optional<Target> target = ReplayTarget(simulate.tracePath, o.ids, replayClock_, error);
    if (!target) {
      complain("file", error);
      return Outcome::FileUnreadable;
    }
    targets.push_back(std::move(*target));
    return Outcome::Success;
  }

  platform_ = simulate.count > 0 ? environment.simulatedPlatform(simulate.count)
                                 : environment.systemPlatform();
  const DeviceQuery query{o.ids, o.all ? Pick::All : o.devicePath.empty() ? Pick::First : Pick::Path,
                          o.devicePath,
                          std::chrono::milliseconds{static_cast<long long>(o.waitSeconds * 1000)}};
  Selection selection =
      SelectDevices(*platform_, query, *environment.clock, OpenFailureHint(), environment.stop);
  for (const std::string& problem : selection.problems) {
    Report(environment.err, problem);
    if (o.json) WriteJsonLine(environment.out, {{"event", "warning"}, {"message", problem}});
  }
  if (selection.targets.empty()) {
    const std::string what = o.devicePath.empty() ? FormatIds(o.ids) : o.devicePath;
    complain("no-device", "no device " + what + " found" +
                              (o.waitSeconds > 0 ? " within the wait" : std::string{}));
    return Outcome::NoDevice;
  }
  targets = std::move(selection.targets);
  return Outcome::Success;
}

Outcome DownloadVerb::openRecordings(Environment& environment, std::vector<Target>& targets,
                                     LogFiles& logFiles) {
  // Every file is checked and created before the first report goes out, and none can
  // overwrite the image being flashed, the trace being replayed or another output.
  const Options& o = options_;
  const Complaint complain(environment, o.json);
  std::vector<NamedFile> inputs{{"the firmware file", o.file}};
  if (const SimulateChoice simulate = ParseSimulate(o.simulate); !simulate.tracePath.empty()) {
    inputs.push_back({"the replayed trace", simulate.tracePath});
  }
  std::vector<NamedFile> outputs;
  for (const Target& target : targets) {
    if (!o.logPath.empty()) outputs.push_back({"--log", PerDevicePath(o.logPath, target.name, o.all)});
  }
  for (const Target& target : targets) {
    if (!o.tracePath.empty()) {
      outputs.push_back({"--trace", PerDevicePath(o.tracePath, target.name, o.all)});
    }
  }
  if (const std::optional<std::string> clash = FindFileClash(inputs, outputs)) {
    complain("usage", *clash);
    return Outcome::UsageError;
  }
  std::vector<std::string> paths;
  for (const NamedFile& output : outputs) paths.push_back(output.path);
  OsResult<std::vector<OutputFile>> created = CreateOutputFiles(paths);
  if (!created) {
    complain("file", "cannot write " + created.reason());
    return Outcome::FileUnreadable;
  }
  std::vector<OutputFile>& files = *created;
  std::size_t next = 0;
  for (std::size_t i = 0; !o.logPath.empty() && i < targets.size(); ++i, ++next) {
    logFiles.add(std::move(files[next]), paths[next]);
  }
  for (std::size_t i = 0; !o.tracePath.empty() && i < targets.size(); ++i, ++next) {
    auto recorder =
        sim::TraceRecorder::Adopt(targets[i].channel, files[next].release(), *targets[i].clock);
    traces_.emplace_back(paths[next], recorder);
    targets[i].channel = recorder;
  }
  return Outcome::Success;
}

Outcome DownloadVerb::runSessions(Environment& environment, const std::vector<Target>& targets,
                                  LogFiles& logFiles) {
  const Options& o = options_;
  Outputs outputs;
  TextOutput text(environment.out, {.prefixLines = o.all,
                                    .summaryTable = o.all,
                                    .debugTrace = o.debugTrace ? environment.err : nullptr});
  JsonOutput json(environment.out, o.mode, o.file, o.debugTrace);
  ProgressBar bar(environment.err, *targets.front().clock);
  if (o.json) {
    outputs.add(json);
  } else if (!o.quiet) {
    outputs.add(text);
    if (environment.errIsTerminal) outputs.setBar(bar);
  }
  outputs.add(logFiles);

  DownloadRequest request{*ParseDownloadMode(o.mode), o.file, {}};  // the option's check let only names in
  request.settings.ackTimeout = std::chrono::milliseconds{o.ackTimeoutMs};
  // Runs on the thread that asks for the stop (the signal watcher), so it is heard while
  // the sessions wind down. A stop asked before they start leaves every device untouched.
  std::optional<std::stop_callback<std::function<void()>>> warnOnStop;
  if (!environment.stop.stop_requested()) {
    warnOnStop.emplace(environment.stop, std::function<void()>([&environment] {
                         if (environment.errIsTerminal) std::fputc('\n', environment.err);
                         std::fputs(kStopWarning, environment.err);
                         std::fflush(environment.err);
                       }));
  }
  const std::vector<DeviceResult> results = RunJobs(request, targets, outputs, environment.stop);
  warnOnStop.reset();

  bool allPassed = true;
  std::optional<std::string> lostOutput = logFiles.failure();
  for (const auto& [path, recorder] : traces_) {
    if (const std::optional<std::string> reason = recorder->writeFailure(); reason && !lostOutput) {
      lostOutput = path + ": " + *reason;
    }
  }
  for (std::size_t i = 0; i < results.size(); ++i) {
    allPassed = allPassed && results[i].ok;
    // A note on why exchanges may fail is noise after a download that passed.
    if (results[i].ok || !targets[i].diagnostic) continue;
    if (std::optional<std::string> note = targets[i].diagnostic()) {
      Report(environment.err, results[i].path + ": " + *note);
    }
  }
  if (environment.stop.stop_requested() && !allPassed) {
    // The log keeps the session's own lines; the reason for the stop is told here.
    const Complaint complain(environment, o.json);
    complain("interrupted", "interrupted by the user");
  }
  if (std::ferror(environment.out) && !lostOutput) {
    const int error = o.json ? json.writeError() : text.writeError();
    lostOutput = "the standard output: " + (error == 0 ? std::string("write failed") : ErrnoText(error));
    if (error == EPIPE) *lostOutput += " (EPIPE: its reader closed the pipe)";
  }
  if (lostOutput) {
    // A log or trace cut short is a failure of its own, told after the results; a
    // failed flash still decides the exit code.
    const Complaint complain(environment, o.json);
    complain("file", "cannot write " + *lostOutput);
  }
  if (!allPassed) return Outcome::DownloadFailed;
  return lostOutput ? Outcome::FileUnreadable : Outcome::Success;
}

}  // namespace zentho::cli
