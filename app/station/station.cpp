// The station's loop: hear arrivals, open each new board, run its session on a worker,
// record the verdict.
#include "app/station/station.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "app/cli/hex_id.h"
#include "app/cli/job_runner.h"
#include "app/station/record_building.h"
#include "device/arrival_poller.h"
#include "device/admission.h"
#include "device/device_link.h"
#include "transfer/config_image.h"
#include "transfer/sent_image_check.h"

namespace zentho::cli {
namespace {

// How many looks a board that can't be opened, or whose IDs can't be read, gets before
// it is passed over: its access may be granted, and its node answer, a moment after it
// appears. The looks are pollInterval apart.
constexpr unsigned kOpenAttempts = 3;

// Wakes the station's loop: an arrival, a finished session, a stop request.
class Wakeup {
 public:
  void wake() {
    {
      std::lock_guard lock(mutex_);
      pending_ = true;
    }
    woken_.notify_one();
  }
  void waitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    woken_.wait_for(lock, timeout, [this] { return pending_; });
    pending_ = false;
  }

 private:
  std::mutex mutex_;
  std::condition_variable woken_;
  bool pending_ = false;
};

struct Worker {
  Board board;
  device::HidIds ids;
  std::shared_ptr<device::DeviceLink> link;
  DeviceResult result;
  bool confirmed = false;
  std::string mismatch;
  std::chrono::system_clock::time_point start;
  std::chrono::system_clock::time_point end;
  bool departed = false;  // the main loop's alone
  bool removalHeard = false;  // the session's removal watch heard the board go
  std::atomic<bool> done{false};
  std::jthread thread;
};

class StationRun {
 public:
  StationRun(const StationSettings& settings, const StationImage& image, StationIo& io,
             std::stop_token drain, std::stop_token stopAll)
      : settings_(settings),
        image_(image),
        io_(io),
        drain_(drain),
        stopAll_(stopAll),
        guard_(settings.slots, settings.quarantineAfter, settings.reflash, settings.passedSerials) {}

  StationSummary run();

 private:
  // Quarantined: admitted, but its slot takes no session until the operator releases it.
  enum class State { Pending, Running, Done, Quarantined };
  struct Known {
    State state = State::Pending;
    std::string slot;  // known once it has been admitted
    unsigned failedLooks = 0;
    Worker* worker = nullptr;
  };

  template <typename Call>
  void tell(Call call) {
    std::lock_guard lock(eventsMutex_);
    call(io_.events);
  }

  void apply(const device::InterfaceChange& change);
  std::vector<Worker*> endedWorkers() const;
  void collectFinished(const std::vector<Worker*>& ended);
  void finish(Worker& worker);
  void writeRecord(const SessionRecord& record);
  // Holds an admitted board instead of flashing it, when the line's rules say so.
  bool hold(Board& board, Known& known, const device::InterfaceSlot& slot);
  void takeOperatorLines();
  bool draining() const;
  bool fileStillMatches();
  void startPending();
  void start(const std::string& path, Known& known);
  // A board that can't be taken yet: left pending for the next look, until the last
  // attempt, when the operator is told `problem` (if any).
  void lookAgainOrGiveUp(Known& known, const std::optional<std::string>& problem);
  void runWorker(Worker& worker);

  const StationSettings& settings_;
  const StationImage& image_;
  StationIo& io_;
  std::stop_token drain_;
  std::stop_token stopAll_;
  // Shared with the arrival watch's notification, which may still run on the watching
  // thread after the station has returned.
  std::shared_ptr<Wakeup> sharedWakeup_ = std::make_shared<Wakeup>();
  Wakeup& wakeup_ = *sharedWakeup_;
  std::mutex eventsMutex_;
  device::ArrivalPoller poller_;
  std::map<std::string, Known> known_;
  std::vector<std::string> pending_;  // in arrival order
  std::map<std::string, Board> shown_;  // finished boards still plugged in
  std::vector<std::unique_ptr<Worker>> workers_;
  std::size_t sessions_ = 0;
  LineGuard guard_;
  bool lookAgainSoon_ = false;  // a board is left pending for another look
  StationSummary summary_;
};

StationSummary StationRun::run() {
  std::unique_ptr<device::ArrivalWatch> watch = io_.platform.watchArrivals();
  if (watch) watch->setNotify([wakeup = sharedWakeup_] { wakeup->wake(); });
  std::stop_callback onDrain(drain_, [this] { wakeup_.wake(); });
  std::stop_callback onStopAll(stopAll_, [this] { wakeup_.wake(); });
  if (io_.operatorInput != nullptr) io_.operatorInput->setNotify([wakeup = sharedWakeup_] { wakeup->wake(); });

  for (;;) {
    // Sessions that have ended are taken before the news: a board pulled out fails its
    // session after its departure was announced, so the departure is heard below.
    const std::vector<Worker*> ended = endedWorkers();
    // Events in the order heard: a board taken out and another plugged in at the same
    // path between two looks is still two boards. The list then fills in what events
    // missed.
    if (watch) {
      for (const device::InterfaceChange& change : watch->take()) apply(change);
    }
    for (const device::InterfaceChange& change : poller_.look(io_.platform)) apply(change);
    collectFinished(ended);
    takeOperatorLines();
    lookAgainSoon_ = false;
    if (!draining()) startPending();
    if (draining() && summary_.tally.running == 0) break;
    // A board waiting for another look is not left to the next event.
    wakeup_.waitFor(watch && !lookAgainSoon_ ? settings_.eventSafetyInterval : settings_.pollInterval);
  }
  workers_.clear();
  if (io_.operatorInput != nullptr) io_.operatorInput->setNotify(nullptr);
  summary_.slots = guard_.counts();
  return summary_;
}

void StationRun::apply(const device::InterfaceChange& change) {
  auto it = known_.find(change.path);
  if (change.kind == device::InterfaceChange::Kind::Arrived) {
    // A path already known and never seen to go is the same board (an event that comes
    // after the list had it already).
    if (it != known_.end()) return;
    known_.emplace(change.path, Known{});
    pending_.push_back(change.path);
    return;
  }
  if (it != known_.end()) {
    if (it->second.state == State::Running) it->second.worker->departed = true;
    known_.erase(it);
  }
  std::erase(pending_, change.path);
  if (auto shown = shown_.find(change.path); shown != shown_.end()) {
    tell([&](StationEvents& e) { e.left(shown->second); });
    shown_.erase(shown);
  }
}

std::vector<Worker*> StationRun::endedWorkers() const {
  std::vector<Worker*> ended;
  for (const auto& worker : workers_) {
    if (worker->done) ended.push_back(worker.get());
  }
  return ended;
}

void StationRun::collectFinished(const std::vector<Worker*>& ended) {
  for (Worker* worker : ended) {
    worker->thread.join();
    finish(*worker);
    std::erase_if(workers_, [&](const auto& w) { return w.get() == worker; });
  }
}

void StationRun::finish(Worker& worker) {
  SessionOutcome outcome;
  outcome.board = worker.board;
  outcome.ids = worker.ids;
  outcome.sessionPassed = worker.result.ok;
  outcome.confirmed = worker.confirmed;
  outcome.mismatch = worker.mismatch;
  outcome.failingLine = worker.result.lastLine;
  outcome.gone = worker.departed || worker.removalHeard || !poller_.find(worker.board.path);
  outcome.stoppedByOperator = stopAll_.stop_requested();
  outcome.start = worker.start;
  outcome.end = worker.end;
  outcome.seconds = std::chrono::duration<double>(worker.result.elapsed).count();
  const SessionRecord record = BuildSessionRecord(outcome, settings_, image_);
  const bool passed = record.result == kResultPass;
  const bool unplugged = record.result == kResultUnplugged;
  writeRecord(record);

  Tally& tally = summary_.tally;
  --tally.running;
  (passed ? tally.passed : unplugged ? tally.unplugged : tally.failed) += 1;
  tell([&](StationEvents& e) { e.finished(worker.board, record, tally); });

  auto known = known_.find(worker.board.path);
  if (known != known_.end() && known->second.worker == &worker) {
    known->second.state = State::Done;
    known->second.worker = nullptr;
    shown_[worker.board.path] = worker.board;
  }

  const std::string slot = record.slot;
  if (std::optional<std::string> reason = guard_.ended(slot, record.serial, record.result, record.failure)) {
    Board where;
    where.slot = slot;
    where.path = slot;
    writeRecord(BuildEventRecord(where, kResultQuarantined, *reason, io_.wallClock(), settings_, image_));
    tell([&](StationEvents& e) { e.quarantined(slot, *reason); });
  }
}

void StationRun::writeRecord(const SessionRecord& record) {
  for (std::size_t i = 0; i < io_.records.size(); ++i) {
    if (const OsResult<void> written = io_.records[i]->append(io_.formats[i](record)); !written) {
      summary_.recordFailed = true;
      const std::string line = "cannot write the record " + io_.records[i]->path() + ": " +
                               written.reason() + "; no new sessions";
      tell([&](StationEvents& e) { e.problem(line); });
    }
  }
}

void StationRun::takeOperatorLines() {
  if (io_.operatorInput == nullptr) return;
  for (const std::string& typed : io_.operatorInput->take()) {
    tell([&](StationEvents& e) { e.typed(typed); });
    const std::size_t first = typed.find_first_not_of(" \t");
    if (first == std::string::npos) continue;
    const std::string label = typed.substr(first, typed.find_last_not_of(" \t") - first + 1);
    if (!guard_.release(label)) {
      tell([&](StationEvents& e) { e.problem(label + " is not a quarantined slot"); });
      continue;
    }
    Board where;
    where.slot = label;
    where.path = label;
    writeRecord(BuildEventRecord(where, kResultReleased, "released by the operator", io_.wallClock(),
                                 settings_, image_));
    tell([&](StationEvents& e) { e.released(label); });
    // Boards waiting in the slot are flashed now.
    for (auto& [path, known] : known_) {
      if (known.state != State::Quarantined || known.slot != label) continue;
      known.state = State::Pending;
      pending_.push_back(path);
    }
  }
}

bool StationRun::draining() const {
  return drain_.stop_requested() || stopAll_.stop_requested() || summary_.fileChanged ||
         summary_.recordFailed ||
         (settings_.limit > 0 && summary_.tally.passed >= settings_.limit);
}

bool StationRun::fileStillMatches() {
  const OsResult<FileDigest> now = HashFile(settings_.file, drain_);
  // A stop while hashing starts nothing new; the file may well be unchanged.
  if (!now && drain_.stop_requested()) return false;
  if (now && now.value().digest == image_.file.digest && now.value().size == image_.file.size) {
    return true;
  }
  summary_.fileChanged = true;
  const std::string line =
      now ? settings_.file + " has changed on disk since the station started (SHA-256 " +
                ToHex(image_.file.digest) + " then, " + ToHex(now.value().digest) +
                " now): no new sessions; restart the station to flash the new file"
          : "cannot read " + settings_.file + " any more: " + now.reason() + "; no new sessions";
  tell([&](StationEvents& e) { e.problem(line); });
  return false;
}

void StationRun::lookAgainOrGiveUp(Known& known, const std::optional<std::string>& problem) {
  if (++known.failedLooks < kOpenAttempts) {
    lookAgainSoon_ = true;
    return;
  }
  if (problem) tell([&](StationEvents& e) { e.problem(*problem); });
  known.state = State::Done;
}

void StationRun::startPending() {
  bool fileChecked = false;
  for (std::size_t i = 0; i < pending_.size();) {
    const unsigned running = summary_.tally.running;
    if (settings_.maxParallel > 0 && running >= settings_.maxParallel) return;
    // Sessions in flight may all pass: never start more than the limit can use.
    if (settings_.limit > 0 && summary_.tally.passed + running >= settings_.limit) return;
    // Hashed once per round of starts: boards plugged in together share one look.
    if (!fileChecked) {
      if (!fileStillMatches()) return;
      fileChecked = true;
    }
    const std::string path = pending_[i];
    Known& known = known_.at(path);
    start(path, known);
    if (known.state == State::Pending) {
      ++i;  // to be tried again at the next look
    } else {
      pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

void StationRun::start(const std::string& path, Known& known) {
  const device::InterfaceSlot* slot = poller_.find(path);
  if (slot == nullptr) {
    known.state = State::Done;  // gone again before it could be looked at
    return;
  }
  // Another device's interface is not opened at all when the list names its IDs.
  device::AdmitOptions options;
  options.openListedOthers = false;
  device::Admission admission = device::AdmitInterface(io_.platform, *slot, settings_.ids, options);
  using Why = device::Admission::Why;
  if (admission.why == Why::CannotOpen) {
    if (admission.listedAsTarget) {
      std::string line = admission.line(settings_.ids);
      if (!io_.openHint.empty()) line += " (" + io_.openHint + ")";
      lookAgainOrGiveUp(known, line);
    } else {
      known.state = State::Done;
    }
    return;
  }
  // A node may answer only a moment after its arrival was announced (and the list may
  // not show its IDs yet either): one whose IDs can't be read is looked at again, and
  // the operator hears of it only if the list says it is ours.
  if (admission.why == Why::IdsUnreadable) {
    std::optional<std::string> problem;
    if (admission.listedAsTarget) problem = admission.line(settings_.ids);
    lookAgainOrGiveUp(known, problem);
    return;
  }
  // Another device, or the keyboard node of a composite board, whose vendor node is
  // admitted on its own: passed over without a session or a record.
  if (!admission) {
    known.state = State::Done;
    return;
  }

  Board board{0, slot->portPath, slot->serialNumber, path, {}};
  if (hold(board, known, *slot)) {
    admission.link->release();
    return;
  }
  auto worker = std::make_unique<Worker>();
  board.session = ++sessions_;
  worker->board = std::move(board);
  worker->ids = admission.link->ids();
  worker->link = std::move(admission.link);
  known.state = State::Running;
  known.worker = worker.get();
  ++summary_.tally.running;
  tell([&](StationEvents& e) { e.started(worker->board, summary_.tally); });
  Worker& running = *worker;
  workers_.push_back(std::move(worker));
  running.thread = std::jthread([this, &running] { runWorker(running); });
}

bool StationRun::hold(Board& board, Known& known, const device::InterfaceSlot& slot) {
  known.slot = guard_.slotOf(slot.portPath, board.path);
  if (guard_.mapped()) board.slot = known.slot;
  // Two interfaces of one board (a composite board's keyboard node) share its port and
  // serial: only another port with the same serial is another board.
  std::string other;
  if (!slot.serialNumber.empty()) {
    for (const auto& [path, entry] : known_) {
      const device::InterfaceSlot* listed = path == board.path ? nullptr : poller_.find(path);
      if (listed != nullptr && listed->serialNumber == slot.serialNumber && listed->portPath != slot.portPath) {
        other = guard_.slotOf(listed->portPath, path);
        break;
      }
    }
  }
  const BoardHold verdict = guard_.check(known.slot, slot.serialNumber, !other.empty());
  if (verdict == BoardHold::None) return false;
  if (verdict == BoardHold::Quarantined) {
    known.state = State::Quarantined;
    return true;
  }
  const std::string why = verdict == BoardHold::AlreadyFlashed
                              ? std::string(kAlreadyFlashed)
                              : std::string(kDuplicateSerial) + " (also in " + other + ")";
  const SessionRecord record = BuildEventRecord(board, kResultHeld, why, io_.wallClock(), settings_, image_);
  writeRecord(record);
  tell([&](StationEvents& e) { e.held(board, record); });
  known.state = State::Done;
  shown_[board.path] = board;
  return true;
}

// Hands the session's progress to the display.
class WorkerObserver final : public JobObserver {
 public:
  explicit WorkerObserver(std::function<void(std::uint32_t, std::uint32_t)> progress)
      : progress_(std::move(progress)) {}
  void progressed(std::size_t, std::uint32_t bytes, std::uint32_t total) override {
    progress_(bytes, total);
  }

 private:
  std::function<void(std::uint32_t, std::uint32_t)> progress_;
};

void StationRun::runWorker(Worker& worker) {
  auto check = std::make_shared<SentImageCheck>(worker.link, image_.sent);
  Target target;
  target.path = worker.board.path;
  target.name = worker.board.name();
  target.ids = worker.ids;
  target.channel = check;
  target.clock = &io_.clock;
  WorkerObserver observer([&](std::uint32_t bytes, std::uint32_t total) {
    tell([&](StationEvents& e) { e.progressed(worker.board, bytes, total); });
  });
  const DownloadRequest request{settings_.downloadMode, settings_.file, settings_.session};

  // A board taken out ends its session at once instead of through every retry and
  // pause; so does the operator's second Ctrl-C.
  std::stop_source stop;
  std::stop_callback onStopAll(stopAll_, [&stop] { stop.request_stop(); });
  device::RemovalWatch* removal = worker.link->removalWatch();
  if (removal != nullptr) removal->setNotify([stop]() mutable { stop.request_stop(); });

  worker.start = io_.wallClock();
  const std::vector<DeviceResult> results = RunJobs(request, {target}, observer, stop.get_token());
  worker.end = io_.wallClock();
  worker.result = results.front();
  worker.confirmed = check->confirmed();
  worker.mismatch = check->mismatch();
  // Linux fails the exchanges (EPROTO, ENODEV) before udev announces the departure and
  // before the node leaves the list: the watch has heard it by then.
  worker.removalHeard = removal != nullptr && removal->removed();
  worker.link->release();
  worker.done = true;
  wakeup_.wake();
}

}  // namespace

StationSummary RunStation(const StationSettings& settings, const StationImage& image, StationIo& io,
                          std::stop_token drain, std::stop_token stopAll) {
  StationRun run(settings, image, io, drain, stopAll);
  return run.run();
}

}  // namespace zentho::cli
