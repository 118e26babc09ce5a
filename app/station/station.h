// The production station: starts a download on every board that arrives, one worker
// each, and records every session. A board is flashed once per plugging-in.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <stop_token>
#include <string>
#include <vector>

#include "app/station/job_file.h"
#include "app/station/line_guard.h"
#include "app/station/operator_input.h"
#include "app/station/station_image.h"
#include "app/station/station_record.h"
#include "device/hid_platform.h"
#include "transfer/clock.h"
#include "transfer/download_session.h"

namespace zentho::cli {

struct StationSettings {
  device::HidIds ids{device::kOrvaneVendorId, device::kOrvaneProductId};
  DownloadMode downloadMode = DownloadMode::KvmSystem;
  std::string file;
  SessionSettings session;
  unsigned maxParallel = 0;  // 0: no cap
  unsigned limit = 0;        // stop after this many passes; 0: never
  std::string tool;          // "zentho-iap 0.1.0", for the record
  std::string job;           // the job's name and lot, for the record; empty without a job
  std::string lot;
  std::string stationName;   // for the record
  SlotMap slots;
  unsigned quarantineAfter = kDefaultQuarantineAfter;  // 0: never
  bool reflash = false;      // flash serials that already passed with this image
  std::set<std::string> passedSerials;  // serials that passed with this image before
  // How often the interfaces are listed again: without arrival events, and as a
  // safety net with them (udev's events never reach a container without udevd).
  std::chrono::milliseconds pollInterval{200};
  std::chrono::milliseconds eventSafetyInterval{1000};
};

// A board the station has started a session on.
struct Board {
  std::size_t session = 0;  // numbered from 1 in the order sessions start
  std::string port;         // USB port path; empty when unknown
  std::string serial;
  std::string path;
  std::string slot = {};    // its label in the slot map; empty without a map
  // How the board is named on screen: its port, else its interface's path.
  const std::string& name() const { return port.empty() ? path : port; }
};

struct Tally {
  unsigned passed = 0;
  unsigned failed = 0;
  unsigned unplugged = 0;  // taken out during its session: no verdict on the board
  unsigned running = 0;
  friend bool operator==(const Tally&, const Tally&) = default;
};

// What the station tells its display. Calls are never concurrent.
class StationEvents {
 public:
  virtual ~StationEvents() = default;
  virtual void started(const Board& /*board*/, const Tally& /*tally*/) {}
  virtual void progressed(const Board& /*board*/, std::uint32_t /*bytes*/, std::uint32_t /*total*/) {}
  virtual void finished(const Board& /*board*/, const SessionRecord& /*record*/, const Tally& /*tally*/) {}
  // A board whose session has ended was taken out.
  virtual void left(const Board& /*board*/) {}
  // A board not flashed: the record's failure says why ("already flashed", "duplicate
  // serial ..."); its line has been written.
  virtual void held(const Board& /*board*/, const SessionRecord& /*record*/) {}
  // A slot no session starts in until the operator releases it, and its release.
  virtual void quarantined(const std::string& /*slot*/, const std::string& /*reason*/) {}
  virtual void released(const std::string& /*slot*/) {}
  // The operator typed a line (the terminal echoed it).
  virtual void typed(const std::string& /*line*/) {}
  // Something the operator must read (a board that can't be opened, a changed file),
  // one line without a line end.
  virtual void problem(const std::string& /*line*/) {}
};

struct StationSummary {
  Tally tally;
  bool fileChanged = false;   // the file on disk stopped matching; sessions stopped
  bool recordFailed = false;  // a record line could not be written; sessions stopped
  std::vector<SlotCounts> slots;  // passes and failures per slot
};

struct StationIo {
  device::HidPlatform& platform;
  Clock& clock;  // the sessions' clock (a manual one in tests)
  std::function<std::chrono::system_clock::time_point()> wallClock;
  StationEvents& events;
  std::vector<RecordFile*> records;  // each with its line format
  std::vector<std::function<std::string(const SessionRecord&)>> formats;
  std::string openHint;  // appended to a line about a board that can't be opened
  // What the operator types (a slot's label releases it); null when nobody can type.
  OperatorInput* operatorInput = nullptr;
};

// Runs until `drain` is requested (no new sessions; running ones finish), the limit of
// passes is reached, the file changes or a record can't be written, and then until
// every running session has ended. `stopAll` stops running sessions too.
StationSummary RunStation(const StationSettings& settings, const StationImage& image, StationIo& io,
                          std::stop_token drain, std::stop_token stopAll);

}  // namespace zentho::cli
