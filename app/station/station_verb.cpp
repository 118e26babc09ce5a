// The station verb: hash the file, open the records, watch the bus, report the tally.
#include "app/station/station_verb.h"

#include <cerrno>
#include <cstring>
#include <sstream>
#include <map>

#include "app/cli/console_platform.h"
#include "app/cli/hex_id.h"
#include "app/cli/input_files.h"
#include "app/cli/reporter.h"
#include "device/simulated/hotplug_plan.h"
#include "app/cli/simulation.h"
#include "app/station/station.h"
#include "app/station/station_display.h"
#include "app/station/station_files.h"
#include "app/station/station_record.h"
#include "app/station/host_name.h"
#include "app/station/job_check.h"
#include "app/station/job_file.h"
#include "app/station/record_reading.h"
#include "app/cli/image_options.h"
#include "base/file_guard.h"
#include "device/simulated/simulated_bus.h"
#include "device/simulated/simulated_platform.h"

namespace zentho::cli {
namespace {

constexpr std::string_view kPlanPrefix = "plan:";

void Complain(Environment& environment, const std::string& message) {
  Report(environment.err, message);
}

}  // namespace

void StationVerb::options(CLI::App& command) {
  AddImageOptions(command, options_.mode, options_.file, false);
  command.add_option("--job", options_.job, "Run the job written by `job create` (instead of --mode and FILE)")
      ->type_name("JOB");
  command.add_option("--slots", options_.slots, "Slot map: PORT = LABEL lines (instead of the job's)")
      ->type_name("FILE");
  command.add_option("--station-name", options_.stationName, "The station's name in the record (default: the host name)")
      ->type_name("NAME");
  command.add_option("--history", options_.history,
                     "Earlier records: a serial that passed there with this image is not flashed again")
      ->type_name("FILE...");
  command.add_flag("--reflash", options_.reflash, "Flash boards whose serial already passed with this image");
  AddIdOptions(command, options_.ids);
  command.add_option("--record", options_.recordPath, "Append one JSON line per session to FILE")
      ->type_name("FILE");
  command.add_option("--record-csv", options_.recordCsvPath, "Append one CSV row per session to FILE")
      ->type_name("FILE");
  command.add_option("--limit", options_.limit, "Stop after N boards have passed")
      ->type_name("N")
      ->check(CLI::Range(1U, 1000000U));
  command.add_option("--max-parallel", options_.maxParallel, "At most N sessions at once")
      ->type_name("N")
      ->check(CLI::Range(1U, 1024U));
  AddAckTimeoutOption(command, options_.ackTimeoutMs);
  command.add_flag("--quiet,-q", options_.quiet, "No terminal bell on each verdict");
  command
      .add_flag("--simulate", options_.simulate,
                "Simulated boards instead of real ones: N plugged in, or a hot-plug plan")
      ->option_text("[=N|plan:FILE]")
      ->check(CLI::Validator(
          [](std::string& value) -> std::string {
            if (value.rfind(kPlanPrefix, 0) == 0 && value.size() > kPlanPrefix.size()) return {};
            return SimulateCountValidator()(value);
          },
          "N|plan:FILE"));
}

Outcome StationVerb::run(Environment& environment) {
  Options o = options_;
  if (o.job.empty() == (o.mode.empty() || o.file.empty()) || (!o.job.empty() && !(o.mode + o.file).empty())) {
    Complain(environment, "station takes --mode and FILE, or --job JOB, not both");
    return Outcome::UsageError;
  }
  StationSettings settings;
  std::optional<StationJob> job;
  if (!o.job.empty()) {
    if (std::string why = InputProblem(o.job); !why.empty()) {
      Complain(environment, "cannot read the job " + o.job + ": " + why);
      return Outcome::FileUnreadable;
    }
    const OsResult<std::string> text = ReadTextInput(o.job);
    std::string error;
    if (text) job = ParseJob(*text, error);
    if (!job) {
      Complain(environment, "cannot read the job " + o.job + ": " + (text ? error : text.reason()));
      return Outcome::FileUnreadable;
    }
    o.mode = ModeName(job->mode);
    o.file = ImagePathFromJob(*job, o.job);
    o.ids = job->ids;
    if (o.limit == 0) o.limit = job->count;
    settings.job = job->name;
    settings.lot = job->lot;
    settings.slots = job->slots;
    settings.quarantineAfter = job->quarantineAfter;
  }
  settings.ids = o.ids;
  settings.downloadMode = *ParseDownloadMode(o.mode);  // the option's check let only names in
  settings.file = o.file;
  settings.stationName = o.stationName.empty() ? HostName() : o.stationName;
  settings.reflash = o.reflash;
  settings.session.ackTimeout = std::chrono::milliseconds{o.ackTimeoutMs};
  settings.limit = o.limit;
  settings.maxParallel = o.maxParallel;
  settings.tool = ToolVersion();

  const std::string planPath =
      o.simulate.rfind(kPlanPrefix, 0) == 0 ? o.simulate.substr(kPlanPrefix.size()) : std::string();
  if (const auto refused =
          CheckStationFiles({o.file, planPath, o.recordPath, o.recordCsvPath, o.job, o.slots, o.history})) {
    Complain(environment, refused->message);
    return refused->outcome;
  }
  if (!o.slots.empty()) {
    const OsResult<std::string> text = ReadTextInput(o.slots);
    if (!text) {
      Complain(environment, "cannot read the slot map " + o.slots + ": " + text.reason());
      return Outcome::FileUnreadable;
    }
    std::string error;
    std::optional<SlotMap> slots = ParseSlotMap(*text, error);
    if (!slots) {
      Complain(environment, o.slots + ": " + error);
      return Outcome::UsageError;
    }
    settings.slots = std::move(*slots);
  }

  const OsResult<StationImage> image =
      HashStationImage(settings.file, settings.downloadMode, environment.stop);
  if (!image && environment.stop.stop_requested()) {
    // Stopped before the first board: nothing flashed, as when none came.
    Complain(environment, kHashInterrupted);
    return Outcome::NoDevice;
  }
  if (!image) {
    Complain(environment, "cannot read " + o.file + ": " + image.reason());
    return Outcome::FileUnreadable;
  }
  const std::string sha256 = ToHex(image->file.digest);
  if (job) {
    if (const std::optional<FileRefusal> refused = CheckJobImage(*job, o.job, o.file, image->file)) {
      Complain(environment, refused->message);
      return refused->outcome;
    }
  }
  // The serials that passed with this image: in the earlier records named, and in this
  // station's own records when they exist.
  for (const std::string& path : o.history) {
    const OsResult<std::vector<RecordEntry>> entries = ReadRecords(path);
    if (!entries) {
      Complain(environment, "cannot read the earlier record " + entries.reason());
      return Outcome::FileUnreadable;
    }
    settings.passedSerials.merge(PassedSerials(*entries, sha256));
  }
  for (const std::string& path : {o.recordPath, o.recordCsvPath}) {
    if (path.empty() || !InputProblem(path).empty()) continue;  // none yet: made below
    const OsResult<std::vector<RecordEntry>> entries = ReadRecords(path);
    if (!entries) {
      Complain(environment, "cannot read the record " + entries.reason());
      return Outcome::FileUnreadable;
    }
    settings.passedSerials.merge(PassedSerials(*entries, sha256));
  }

  // Every record file is opened before the first board is looked at.
  RecordFile json;
  RecordFile csv;
  std::vector<RecordFile*> records;
  std::vector<std::function<std::string(const SessionRecord&)>> formats;
  if (!o.recordPath.empty()) {
    if (const OsResult<void> opened = json.open(o.recordPath, {}); !opened) {
      Complain(environment, "cannot write " + o.recordPath + ": " + opened.reason());
      return Outcome::FileUnreadable;
    }
    records.push_back(&json);
    formats.emplace_back(RecordJson);
  }
  if (!o.recordCsvPath.empty()) {
    if (const OsResult<void> opened = csv.open(o.recordCsvPath, RecordCsvHeader()); !opened) {
      Complain(environment, "cannot write " + o.recordCsvPath + ": " + opened.reason());
      return Outcome::FileUnreadable;
    }
    records.push_back(&csv);
    formats.emplace_back(RecordCsv);
  }

  std::shared_ptr<device::HidPlatform> platform;
  std::unique_ptr<sim::PlanPlayer> player;
  if (o.simulate.rfind(kPlanPrefix, 0) == 0) {
    const OsResult<std::string> text = ReadTextInput(planPath);
    if (!text) {
      Complain(environment, "cannot read the plan " + planPath + ": " + text.reason());
      return Outcome::FileUnreadable;
    }
    std::istringstream in(*text);
    std::string error;
    std::optional<std::vector<sim::PlanStep>> steps = sim::ParsePlan(in, error, environment.stop);
    if (!steps && environment.stop.stop_requested()) {
      Complain(environment, error);
      return Outcome::NoDevice;
    }
    if (!steps) {
      Complain(environment, planPath + ": " + error);
      return Outcome::UsageError;
    }
    auto bus = std::make_shared<sim::SimulatedBus>();
    player = std::make_unique<sim::PlanPlayer>(bus, std::move(*steps), *environment.clock,
                                          sim::FullSpeedTiming());
    platform = bus;
  } else {
    const SimulateChoice simulate = ParseSimulate(o.simulate);
    platform = simulate.count > 0 ? environment.simulatedPlatform(simulate.count)
                                  : environment.systemPlatform();
  }

  StationEventLines lines(environment.out, environment.err);
  StationLiveDisplay live(environment.out, !o.quiet, environment.outColumns);
  StationEvents& events = environment.outIsTerminal ? static_cast<StationEvents&>(live) : lines;
  if (job) {
    std::fprintf(environment.out, "job %s, lot %s, station %s\n", Printable(job->name).c_str(),
                 Printable(job->lot.empty() ? "-" : job->lot).c_str(), Printable(settings.stationName).c_str());
  }
  std::fprintf(environment.out, "station: %s %s (%llu bytes, SHA-256 %s), waiting for %s boards\n",
               o.mode.c_str(), Printable(o.file).c_str(), static_cast<unsigned long long>(image->file.size),
               sha256.c_str(), FormatIds(o.ids).c_str());
  std::fflush(environment.out);

  StationIo io{*platform, *environment.clock,
               environment.wallClock ? environment.wallClock
                                     : [] { return std::chrono::system_clock::now(); },
               events, records, formats, std::string(OpenFailureHint())};
  // Only the live display can be typed at: its slots are released by their label.
  std::unique_ptr<OperatorInput> input;
  if (environment.outIsTerminal && environment.inIsTerminal) input = ReadOperatorLines(environment.in);
  io.operatorInput = input.get();
  const std::stop_token stopAll =
      environment.stopOnSecondInterrupt ? environment.stopOnSecondInterrupt() : std::stop_token{};
  const StationSummary summary = RunStation(settings, *image, io, environment.stop, stopAll);
  player.reset();

  const Tally& t = summary.tally;
  const unsigned sessions = t.passed + t.failed + t.unplugged;
  // On a terminal the summary goes below the table, off the line the echoed ^C is on.
  std::fprintf(environment.out, "%s%u %s: %u passed, %u failed, %u unplugged\n",
               environment.outIsTerminal ? "\n" : "", sessions,
               sessions == 1 ? "session" : "sessions", t.passed, t.failed, t.unplugged);
  if (!settings.slots.empty()) {
    for (const std::string& line : SlotSummaryLines(summary.slots)) std::fprintf(environment.out, "%s\n", line.c_str());
  }
  std::fflush(environment.out);
  if (summary.fileChanged || summary.recordFailed) return Outcome::FileUnreadable;
  if (t.failed > 0) return Outcome::DownloadFailed;
  // A run that flashed nothing is no success, whether no board came or every one was
  // taken out during its session.
  return t.passed == 0 ? Outcome::NoDevice : Outcome::Success;
}

}  // namespace zentho::cli
