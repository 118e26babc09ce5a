// The production station on the simulated bus: a line of boards arriving over time,
// faults, a board pulled out mid-flash, a changed file, the limits, the records.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "app/station/record_building.h"
#include "app/station/station.h"
#include "app/station/station_display.h"
#include "app/station/station_record.h"
#include "device/simulated/simulated_bus.h"
#include "tests/app/cli/cli_harness.h"
#include "tests/support/temp_dir.h"

namespace zentho::testing {
namespace {

using namespace std::chrono_literals;
using cli::SessionRecord;

std::string Sha256Hex(const std::vector<std::uint8_t>& bytes) {
  Sha256 hash;
  hash.update(bytes);
  return ToHex(hash.finish());
}

// Keeps every event as a line and lets the test wait for the station to get somewhere.
class EventLog final : public cli::StationEvents {
 public:
  void started(const cli::Board& board, const cli::Tally&) override {
    add("start " + board.name() + " " + board.path);
  }
  void finished(const cli::Board& board, const SessionRecord& record, const cli::Tally&) override {
    add(record.result + " " + board.name(), 1);
  }
  void left(const cli::Board& board) override { add("left " + board.name()); }
  void held(const cli::Board& board, const SessionRecord& record) override {
    add("held " + board.name() + ": " + record.failure, 1);
  }
  void quarantined(const std::string& slot, const std::string& reason) override {
    add("quarantined " + slot + ": " + reason);
  }
  void released(const std::string& slot) override { add("released " + slot); }
  void problem(const std::string& line) override { add("problem " + line); }

  // Waits (bounded, so that a broken station fails instead of hanging) for `count`
  // sessions to have finished.
  bool waitFinished(unsigned count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 60s, [&] { return finished_ >= count; });
  }
  void clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
    finished_ = 0;
  }
  bool waitFor(const std::string& line) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 60s, [&] { return std::ranges::count(lines_, line) > 0; });
  }
  std::vector<std::string> lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  void add(std::string line, unsigned finished = 0) {
    {
      std::lock_guard lock(mutex_);
      lines_.push_back(std::move(line));
      finished_ += finished;
    }
    changed_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> lines_;
  unsigned finished_ = 0;
};

// What the operator types, given by the test.
class TypedLines final : public cli::OperatorInput {
 public:
  void type(const std::string& line) {
    std::function<void()> notify;
    {
      std::lock_guard lock(mutex_);
      lines_.push_back(line);
      notify = notify_;
    }
    if (notify) notify();
  }
  std::vector<std::string> take() override {
    std::lock_guard lock(mutex_);
    return std::exchange(lines_, {});
  }
  void setNotify(std::function<void()> notify) override {
    std::lock_guard lock(mutex_);
    notify_ = std::move(notify);
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
  std::function<void()> notify_;
};

class StationTest : public ::testing::Test {
 public:
  friend void HeldOrReflashed(StationTest& t, bool reflash);

 protected:
  std::shared_ptr<sim::SimulatedDevice> plug(const std::string& port, sim::FaultPlan faults = {},
                                             sim::BusInterfaceOptions where = {}) {
    std::lock_guard lock(pathsMutex);
    sim::SimulatedDeviceOptions options;
    options.faults = std::move(faults);
    auto device = std::make_shared<sim::SimulatedDevice>(options, clock);
    where.portPath = port;
    if (where.serialNumber.empty()) where.serialNumber = "SN-" + port;
    paths[port] = bus->plug(device, where);
    return device;
  }

  void start() {
    const OsResult<cli::StationImage> hashed = cli::HashStationImage(settings.file, settings.downloadMode);
    ASSERT_TRUE(hashed) << hashed.reason();
    image = hashed.value();
    const OsResult<void> opened = record.open(dir.file("record.jsonl"), {});
    ASSERT_TRUE(opened) << opened.reason();
    station = std::jthread([this] {
      cli::StationIo io{*bus, clock, [this] { return Wall(); }, events, {&record}, {cli::RecordJson}, {}};
      io.operatorInput = &typed;
      summary = cli::RunStation(settings, *image, io, drain.get_token(), stopAll.get_token());
    });
  }
  void finish() {
    drain.request_stop();
    station.join();
  }

  std::chrono::system_clock::time_point Wall() {
    return std::chrono::system_clock::time_point{} + 20000h + wallTicks++ * 1ms;
  }

  std::vector<nlohmann::json> recordLines() {
    std::vector<nlohmann::json> lines;
    std::istringstream in(ReadFile(dir.file("record.jsonl")));
    for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
    return lines;
  }

  TempDir dir;
  const std::vector<std::uint8_t> bytes = PatternBytes(3000);
  ManualClock clock;
  std::atomic<unsigned> wallTicks{0};
  std::shared_ptr<sim::SimulatedBus> bus = std::make_shared<sim::SimulatedBus>();
  std::mutex pathsMutex;
  std::map<std::string, std::string> paths;  // port -> interface path, the latest
  cli::StationSettings settings = [this] {
    cli::StationSettings s;
    s.file = dir.write("fw.bin", bytes);
    s.tool = "zentho-iap 9.9";
    return s;
  }();
  std::optional<cli::StationImage> image;
  cli::RecordFile record;
  EventLog events;
  TypedLines typed;
  std::stop_source drain;
  std::stop_source stopAll;
  cli::StationSummary summary;
  std::jthread station;
};

sim::FaultPlan RefuseBlock(unsigned block) {
  sim::FaultPlan plan;
  plan.faults.push_back({.phase = sim::Phase::Transfer, .at = block,
                         .kind = sim::FaultKind::ReportState, .value = 8});
  return plan;
}

sim::FaultPlan ChipRevisionZero() {
  sim::FaultPlan plan;
  plan.chipRevisionByte = 0x00;
  return plan;
}

TEST_F(StationTest, ALineOfTwelveBoards) {
  // 1-4 refuses block 1, 3-2 reports chip revision 0, 2-3 is pulled out at its second
  // block and plugged back into the same port.
  std::map<std::string, std::shared_ptr<sim::SimulatedDevice>> boards;
  unsigned pulledExchanges = 0;
  bus->onExchange([&](const std::string& path) {
    std::lock_guard lock(pathsMutex);
    auto pulled = paths.find("2-3");
    if (pulled == paths.end() || path != pulled->second || ++pulledExchanges != 6) return;
    bus->unplug(path);  // before the DNLOAD of block 1 goes out
  });
  start();
  for (const char* port : {"1-1", "1-2", "1-3"}) boards[port] = plug(port);
  boards["1-4"] = plug("1-4", RefuseBlock(1));
  ASSERT_TRUE(events.waitFinished(4));
  clock.advance(30s);
  for (const char* port : {"2-1", "2-2", "2-3", "2-4"}) boards[port] = plug(port);
  ASSERT_TRUE(events.waitFinished(8));
  boards["2-3 again"] = plug("2-3");
  ASSERT_TRUE(events.waitFinished(9));
  clock.advance(30s);
  for (const char* port : {"3-1", "3-3", "3-4"}) boards[port] = plug(port);
  boards["3-2"] = plug("3-2", ChipRevisionZero());
  ASSERT_TRUE(events.waitFinished(13));

  // Another look at the bus (a foreign device arrives): the boards still plugged in are
  // not flashed again.
  sim::SimulatedDeviceOptions keyboard;
  keyboard.vendorId = 0x046D;
  bus->plug(std::make_shared<sim::SimulatedDevice>(keyboard, clock));
  finish();

  EXPECT_EQ(summary.tally, (cli::Tally{.passed = 10, .failed = 2, .unplugged = 1, .running = 0}));
  for (const auto& [port, device] : boards) {
    EXPECT_EQ(device->handshakeAttempts(), 1U) << port;
    const bool healthy = port != "1-4" && port != "3-2" && port != "2-3";
    ASSERT_TRUE(device->image(ImageType::KvmSystem) || !healthy) << port;
    if (healthy) {
      EXPECT_TRUE(device->image(ImageType::KvmSystem)->complete) << port;
      EXPECT_EQ(device->image(ImageType::KvmSystem)->bytes, bytes) << port;
    }
  }

  const std::vector<nlohmann::json> lines = recordLines();
  ASSERT_EQ(lines.size(), 13U);
  std::map<std::string, std::vector<std::string>> resultsByPort;
  for (const nlohmann::json& line : lines) {
    resultsByPort[line["port"]].push_back(line["result"]);
    EXPECT_EQ(line["sha256"], Sha256Hex(bytes));
    EXPECT_EQ(line["serial"], "SN-" + line["port"].get<std::string>());
    EXPECT_EQ(line["size"], 3000);
    EXPECT_EQ(line["tool"], "zentho-iap 9.9");
  }
  EXPECT_EQ(resultsByPort.size(), 12U);
  EXPECT_EQ(resultsByPort["2-3"], (std::vector<std::string>{"unplugged", "pass"}));
  EXPECT_EQ(resultsByPort["1-4"], (std::vector<std::string>{"fail"}));
  EXPECT_EQ(resultsByPort["3-2"], (std::vector<std::string>{"fail"}));
  for (const nlohmann::json& line : lines) {
    const std::string failure = line["failure"].is_null() ? "(none)" : line["failure"].get<std::string>();
    const std::string expected = line["port"] == "1-4"            ? "Download failed at GET_STATUS"
                                 : line["port"] == "3-2"          ? "Chip Revision wrong!!"
                                 : line["result"] == "unplugged" ? "taken out during the session; last line: Chip Revision : 1"
                                                                  : "(none)";
    EXPECT_EQ(failure, expected) << line.dump();
  }
}

TEST_F(StationTest, AFileChangedOnDiskStopsNewSessions) {
  settings.maxParallel = 1;
  start();
  plug("1-1");
  ASSERT_TRUE(events.waitFinished(1));
  std::vector<std::uint8_t> changed = bytes;
  changed[100] ^= 0xFF;
  dir.write("fw.bin", changed);
  plug("1-2");
  station.join();  // ends by itself

  EXPECT_TRUE(summary.fileChanged);
  EXPECT_EQ(bus->openAttempts(), (std::vector<std::string>{paths["1-1"]}));
  const std::vector<std::string> lines = events.lines();
  ASSERT_EQ(lines.size(), 3U);
  EXPECT_EQ(lines[2], "problem " + settings.file +
                          " has changed on disk since the station started (SHA-256 " +
                          Sha256Hex(bytes) + " then, " + Sha256Hex(changed) +
                          " now): no new sessions; restart the station to flash the new file");
}

TEST_F(StationTest, LimitAndParallelCap) {
  struct Case {
    unsigned limit;
    unsigned maxParallel;
    unsigned boards;
    unsigned sessions;
  };
  for (const Case c : {Case{2, 0, 3, 2}, Case{3, 1, 5, 3}, Case{0, 2, 4, 4}}) {
    SCOPED_TRACE(::testing::Message() << "limit " << c.limit << " max " << c.maxParallel);
    bus = std::make_shared<sim::SimulatedBus>();
    settings.limit = c.limit;
    settings.maxParallel = c.maxParallel;
    unsigned most = 0;
    std::atomic<unsigned> inFlight{0};
    std::mutex mostMutex;
    for (unsigned i = 0; i < c.boards; ++i) plug("1-" + std::to_string(i + 1));
    bus->onExchange([&](const std::string&) {
      std::lock_guard lock(mostMutex);
      most = std::max(most, bus->counters().opens - bus->counters().closes);
    });
    const OsResult<cli::StationImage> hashed = cli::HashStationImage(settings.file, settings.downloadMode);
    ASSERT_TRUE(hashed) << hashed.reason();
    image = hashed.value();
    EventLog log;
    cli::StationIo io{*bus, clock, [this] { return Wall(); }, log, {}, {}, {}};
    std::stop_source drainAll;
    if (c.limit == 0) {
      std::jthread stopper([&] {
        log.waitFinished(c.sessions);
        drainAll.request_stop();
      });
      summary = cli::RunStation(settings, *image, io, drainAll.get_token(), {});
    } else {
      summary = cli::RunStation(settings, *image, io, drainAll.get_token(), {});
    }
    EXPECT_EQ(summary.tally.passed, c.sessions);
    EXPECT_EQ(bus->counters().opens, c.sessions);
    EXPECT_LE(most, c.maxParallel > 0 ? c.maxParallel : c.boards);
  }
}

TEST_F(StationTest, WithoutArrivalEventsTheBusIsListedAgain) {
  bus->setArrivalEvents(false);
  settings.pollInterval = 1ms;
  settings.reflash = true;  // the same board comes back
  start();
  plug("1-1");
  ASSERT_TRUE(events.waitFinished(1));
  bus->unplug(paths["1-1"]);
  plug("1-1");
  ASSERT_TRUE(events.waitFinished(2));
  finish();
  const std::vector<std::string> lines = events.lines();
  EXPECT_EQ(lines, (std::vector<std::string>{"start 1-1 sim:0", "pass 1-1", "left 1-1",
                                             "start 1-1 sim:1", "pass 1-1"}));
}

TEST_F(StationTest, ACompositeBoardRecordsOnePassAndNoFailure) {
  // The keyboard node of a board lists before its vendor node, with the same IDs: it is
  // passed over unwritten, and the board is flashed once through its vendor node.
  start();
  sim::BusInterfaceOptions keyboardNode;
  keyboardNode.notForDownload = "not the download interface";
  const std::shared_ptr<sim::SimulatedDevice> keyboard = plug("1-1", {}, keyboardNode);
  const std::shared_ptr<sim::SimulatedDevice> vendor = plug("1-1");
  ASSERT_TRUE(events.waitFinished(1));
  finish();
  EXPECT_EQ(events.lines(), (std::vector<std::string>{"start 1-1 sim:1", "pass 1-1"}));
  EXPECT_EQ(summary.tally, (cli::Tally{.passed = 1, .failed = 0, .unplugged = 0, .running = 0}));
  EXPECT_EQ(keyboard->handshakeAttempts(), 0U);
  EXPECT_EQ(vendor->image(ImageType::KvmSystem)->bytes, bytes);
  const std::vector<nlohmann::json> lines = recordLines();
  ASSERT_EQ(lines.size(), 1U);
  EXPECT_EQ(lines[0]["result"], "pass");
  EXPECT_EQ(lines[0]["device"], "sim:1");
}

TEST_F(StationTest, ABoardNotReadyWhenHeardIsLookedAtAgain) {
  // Events are on: the second and third looks at a board that isn't ready come after the
  // short interval, not at the next event. Each case ends with the good board 1-2.
  struct Case {
    const char* name;
    sim::BusInterfaceOptions where;
    std::vector<std::string> expected;
    std::size_t opensOfTheFirst;
  };
  sim::BusInterfaceOptions twiceUnreadable;
  twiceUnreadable.idsUnreadableOpens = 2;
  sim::BusInterfaceOptions neverReadable;
  neverReadable.idsUnreadableOpens = sim::kEveryOpen;
  neverReadable.idsError = "No such device";
  sim::BusInterfaceOptions denied;
  denied.openable = false;
  const std::vector<Case> cases = {
      {"IDs readable at the third look", twiceUnreadable,
       {"start 1-1 sim:0", "pass 1-1", "start 1-2 sim:1", "pass 1-2"}, 3},
      {"IDs never readable", neverReadable,
       {"problem sim:0: its vendor and product ID cannot be read: No such device",
        "start 1-2 sim:1", "pass 1-2"}, 3},
      {"never opens", denied,
       {"problem Cannot open device sim:0 (4a5d:7310): Permission denied", "start 1-2 sim:1",
        "pass 1-2"}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bus = std::make_shared<sim::SimulatedBus>();
    events.clear();
    drain = std::stop_source{};
    settings.pollInterval = 1ms;
    settings.eventSafetyInterval = 1h;
    start();
    plug("1-1", {}, c.where);
    ASSERT_TRUE(events.waitFor(c.expected[c.expected.size() == 4 ? 1 : 0]));  // 1-1's last word
    plug("1-2");
    ASSERT_TRUE(events.waitFor("pass 1-2"));
    finish();
    EXPECT_EQ(events.lines(), c.expected);
    EXPECT_EQ(std::ranges::count(bus->openAttempts(), "sim:0"), static_cast<long>(c.opensOfTheFirst));
  }
}

TEST_F(StationTest, SecondStopEndsRunningSessions) {
  sim::FaultPlan stall;
  stall.faults.push_back({.phase = sim::Phase::Transfer, .at = 0,
                          .kind = sim::FaultKind::NeverAcknowledge});
  settings.session.ackTimeout = std::chrono::hours{1};
  bus->onExchange([&](const std::string&) {
    // The board never acknowledges; the operator presses Ctrl-C twice.
    if (clock.now() > std::chrono::steady_clock::time_point{} + 1s) {
      drain.request_stop();
      stopAll.request_stop();
    }
    clock.advance(10ms);
  });
  start();
  plug("1-1", stall);
  station.join();
  const std::vector<nlohmann::json> lines = recordLines();
  ASSERT_EQ(lines.size(), 1U);
  EXPECT_EQ(lines[0]["result"], "fail");
  EXPECT_EQ(lines[0]["failure"], "stopped by the operator");
}

// A board whose serial passed with this image before (in an earlier record): held
// without being touched, or flashed again with --reflash.
void HeldOrReflashed(StationTest& t, bool reflash);

TEST_F(StationTest, ASerialThatPassedWithThisImageIsHeld) { HeldOrReflashed(*this, false); }
TEST_F(StationTest, ASerialThatPassedWithThisImageIsFlashedWithReflash) { HeldOrReflashed(*this, true); }

TEST_F(StationTest, TwoBoardsWithOneSerialAreBothHeld) {
  settings.slots.ports = {{"1-1", "A1"}, {"1-2", "A2"}, {"1-3", "A3"}};
  sim::BusInterfaceOptions same;
  same.serialNumber = "SN-TWIN";
  bus->setArrivalEvents(false);  // both are heard in one look
  const std::shared_ptr<sim::SimulatedDevice> first = plug("1-1", {}, same);
  const std::shared_ptr<sim::SimulatedDevice> second = plug("1-2", {}, same);
  plug("1-3");
  settings.pollInterval = 1ms;
  start();
  ASSERT_TRUE(events.waitFinished(3));
  finish();
  std::vector<std::string> lines = events.lines();
  std::ranges::sort(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"held 1-1: duplicate serial (also in A2)",
                                             "held 1-2: duplicate serial (also in A1)", "pass 1-3",
                                             "start 1-3 sim:2"}));
  EXPECT_EQ(first->handshakeAttempts() + second->handshakeAttempts(), 0U);
  std::map<std::string, std::string> results;
  for (const nlohmann::json& line : recordLines()) {
    results[line["slot"]] = line["result"].get<std::string>() + " " +
                            (line["failure"].is_null() ? "" : line["failure"].get<std::string>());
  }
  EXPECT_EQ(results, (std::map<std::string, std::string>{{"A1", "held duplicate serial (also in A2)"},
                                                         {"A2", "held duplicate serial (also in A1)"},
                                                         {"A3", "pass "}}));
}

TEST_F(StationTest, ASlotFailingThreeTimesInARowIsQuarantinedUntilReleased) {
  settings.slots.ports = {{"1-1", "A1"}};
  start();
  for (unsigned board = 1; board <= 3; ++board) {
    plug("1-1", RefuseBlock(1), {.serialNumber = "SN" + std::to_string(board)});
    ASSERT_TRUE(events.waitFinished(board));
    bus->unplug(paths["1-1"]);
  }
  ASSERT_TRUE(events.waitFor("quarantined A1: 3 failed in a row, last: Download failed at GET_STATUS"));
  const std::shared_ptr<sim::SimulatedDevice> fourth = plug("1-1", {}, {.serialNumber = "SN4"});
  typed.type("B7");  // no such slot
  ASSERT_TRUE(events.waitFor("problem B7 is not a quarantined slot"));
  EXPECT_EQ(fourth->handshakeAttempts(), 0U);  // no session in a quarantined slot
  typed.type(" A1 ");
  ASSERT_TRUE(events.waitFinished(4));
  finish();
  EXPECT_EQ(fourth->handshakeAttempts(), 1U);
  std::vector<std::string> results;
  for (const nlohmann::json& line : recordLines()) {
    EXPECT_EQ(line["slot"], "A1");
    results.push_back(line["result"].get<std::string>() + " " + line["serial"].get<std::string>() + " " +
                      (line["failure"].is_null() ? "" : line["failure"].get<std::string>()));
  }
  EXPECT_EQ(results, (std::vector<std::string>{
                         "fail SN1 Download failed at GET_STATUS", "fail SN2 Download failed at GET_STATUS",
                         "fail SN3 Download failed at GET_STATUS",
                         "quarantined  3 failed in a row, last: Download failed at GET_STATUS",
                         "released  released by the operator", "pass SN4 "}));
  ASSERT_EQ(summary.slots.size(), 1U);
  EXPECT_EQ(cli::SlotSummaryLines(summary.slots),
            (std::vector<std::string>{"slot  passed  failed  yield", "A1    1       3       25.0 %"}));
}

void HeldOrReflashed(StationTest& t, bool reflash) {
  t.settings.passedSerials = {"SN-1-1"};
  t.settings.reflash = reflash;
  t.settings.stationName = "line-2";
  t.start();
  const std::shared_ptr<sim::SimulatedDevice> board = t.plug("1-1");
  ASSERT_TRUE(t.events.waitFinished(1));
  t.finish();
  const std::vector<std::string> expected =
      reflash ? std::vector<std::string>{"start 1-1 sim:0", "pass 1-1"}
              : std::vector<std::string>{"held 1-1: already flashed"};
  EXPECT_EQ(t.events.lines(), expected);
  EXPECT_EQ(board->handshakeAttempts(), reflash ? 1U : 0U);
  const std::vector<nlohmann::json> lines = t.recordLines();
  ASSERT_EQ(lines.size(), 1U);
  EXPECT_EQ(lines[0]["result"], reflash ? "pass" : "held");
  EXPECT_EQ(lines[0]["failure"], reflash ? nlohmann::json() : nlohmann::json("already flashed"));
  EXPECT_EQ(lines[0]["serial"], "SN-1-1");
  EXPECT_EQ(lines[0]["station"], "line-2");
  EXPECT_EQ(lines[0]["slot"], "1-1");
  EXPECT_EQ(lines[0]["sha256"], Sha256Hex(t.bytes));
}

TEST(StationDisplay, AQuarantinedSlotInReverseVideo) {
  using Row = cli::StationLiveDisplay::Row;
  const std::vector<Row> rows = {
      {{2, "1-2", "SN2", "/dev/hidraw4", "A2"}, "flashing", 1500, 3000, {}},
      {{1, "1-1", "SN1", "/dev/hidraw3", "A1"}, "held", 0, 0, "already flashed"},
  };
  EXPECT_EQ(cli::StationLiveDisplay::Render(rows, {{"A3", "3 failed in a row, last: Download failed at GET_STATUS"}},
                                            {.passed = 0, .failed = 3, .running = 1}),
            (std::vector<std::string>{
                "slot  port  serial  state      progress",
                "A1    1-1   SN1     held         0%  0/0  already flashed",
                "A2    1-2   SN2     flashing    50%  1500/3000",
                "\x1b[7mA3                  quarantined  3 failed in a row, last: Download failed at GET_STATUS"
                "  (A3 Enter: release)\x1b[0m",
                "passed 0  failed 3  unplugged 0  in progress 1",
            }));
}

// Live table lines cut to the terminal's width, so that none wraps and the redraw, which
// goes up one terminal line per table line, finds the table's top.
TEST(StationDisplay, LinesAreCutToTheTerminalsWidth) {
  const std::string quarantined = "\x1b[7mA3  quarantined  3 failed in a row  (A3 Enter: release)\x1b[0m";
  const struct {
    std::string line;
    std::size_t columns;
    std::string fitted;
  } cases[] = {
      {"A1    1-1   SN1     pass", 0, "A1    1-1   SN1     pass"},
      {"A1    1-1   SN1     pass", 25, "A1    1-1   SN1     pass"},
      {"A1    1-1   SN1     pass", 11, "A1    1-1 "},
      {quarantined, 80, quarantined},
      {quarantined, 18, "\x1b[7mA3  quarantined  \x1b[0m"},
      // UTF-8 serials count two columns a character and are never cut inside one.
      {"SN \xe5\x9b\xba\xe4\xbb\xb6 pass", 8, "SN \xe5\x9b\xba\xe4\xbb\xb6"},
      {"SN \xe5\x9b\xba\xe4\xbb\xb6 pass", 7, "SN \xe5\x9b\xba"},
      {"", 1, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cli::FitToColumns(c.line, c.columns), c.fitted) << c.line << " in " << c.columns;
  }
}

// Each redraw first goes up over the table and over what the terminal echoed of a typed
// line, however many terminal lines that echo took.
TEST(StationDisplay, TheRedrawGoesUpOverTheTableAndTheEcho) {
  const struct {
    std::size_t columns;
    std::size_t typed;  // characters typed
    std::string up;     // the erase before the next table
  } cases[] = {
      {0, 45, "\x1b[4A\r\x1b[J"},   // width unknown: one line
      {20, 0, "\x1b[4A\r\x1b[J"},   // Enter alone
      {20, 20, "\x1b[4A\r\x1b[J"},  // a line as wide as the terminal
      {20, 45, "\x1b[6A\r\x1b[J"},  // three lines of echo
  };
  TempDir dir;
  for (const auto& c : cases) {
    const std::string path = dir.file("terminal");
    std::FILE* terminal = std::fopen(path.c_str(), "wb");
    ASSERT_NE(terminal, nullptr);
    {
      cli::StationLiveDisplay live(terminal, false, [&] { return c.columns; });
      const cli::Board board{1, "1-1", "SN1", "/dev/hidraw3"};
      live.started(board, {.running = 1});  // header, board, tally
      live.typed(std::string(c.typed, 'x'));
      live.left(board);
    }
    std::fclose(terminal);
    const std::string shown = ReadFile(path);
    // The table drawn again without the board, each line cut to the width.
    EXPECT_EQ(shown.substr(shown.find('\x1b')),
              c.up + cli::FitToColumns("port  serial  state      progress", c.columns) + "\n" +
                  cli::FitToColumns("passed 0  failed 0  unplugged 0  in progress 1", c.columns) + "\n")
        << c.columns << " columns, " << c.typed << " typed";
  }
}

// The operator's lines as a terminal gives them: CR LF or LF ends, an empty line, and a
// line too long for any label cut at 256 bytes.
TEST(OperatorInput, LinesWithoutTheirEndsAndCutAt256) {
  TempDir dir;
  // Left open: the reading thread is detached and may still be at the end of the file.
  std::FILE* in = std::fopen(dir.write("typed", "A1\r\nB2\n" + std::string(300, 'x') + "\n\n").c_str(), "rb");
  ASSERT_NE(in, nullptr);
  const std::unique_ptr<cli::OperatorInput> input = cli::ReadOperatorLines(in);
  // Shared with the callback, which the reading thread may still be running at the end.
  struct Heard {
    std::mutex mutex;
    std::condition_variable changed;
    bool news = false;
  };
  const auto heard = std::make_shared<Heard>();
  input->setNotify([heard] {
    std::lock_guard lock(heard->mutex);
    heard->news = true;
    heard->changed.notify_one();
  });
  std::vector<std::string> lines;
  std::unique_lock lock(heard->mutex);
  for (;;) {
    for (std::string& line : input->take()) lines.push_back(std::move(line));
    if (lines.size() >= 4) break;
    heard->changed.wait(lock, [&] { return heard->news; });
    heard->news = false;
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"A1", "B2", std::string(256, 'x'), ""}));
}

TEST(StationRecord, JsonAndCsvLines) {
  SessionRecord r;
  r.start = std::chrono::system_clock::time_point{} + 491214h + 41min + 7250ms;
  r.end = r.start + 96ms;
  r.port = "1-2.3";
  r.serial = "A\"1,2";
  r.device = "/dev/hidraw3";
  r.vendorId = 0x4A5D;
  r.productId = 0x7310;
  r.mode = "kvm";
  r.file = "fw.bin";
  r.size = 3000;
  r.sha256 = std::string(64, 'a');
  r.result = "fail";
  r.failure = "Download failed at GET_STATUS";
  r.seconds = 0.0961;
  r.tool = "zentho-iap 0.1.0";
  r.job = "J-7";
  r.lot = "L42";
  r.station = "line-2";
  r.slot = "A1";
  EXPECT_EQ(cli::RecordJson(r),
            "{\"start\":\"2026-01-14T06:41:07.250Z\",\"end\":\"2026-01-14T06:41:07.346Z\","
            "\"port\":\"1-2.3\",\"serial\":\"A\\\"1,2\",\"device\":\"/dev/hidraw3\",\"vid\":\"4a5d\","
            "\"pid\":\"7310\",\"mode\":\"kvm\",\"file\":\"fw.bin\",\"size\":3000,\"sha256\":\"" +
                std::string(64, 'a') +
                "\",\"result\":\"fail\",\"failure\":\"Download failed at GET_STATUS\","
                "\"seconds\":0.096,\"tool\":\"zentho-iap 0.1.0\",\"job\":\"J-7\",\"lot\":\"L42\","
                "\"station\":\"line-2\",\"slot\":\"A1\"}\n");
  EXPECT_EQ(cli::RecordCsv(r),
            "2026-01-14T06:41:07.250Z,2026-01-14T06:41:07.346Z,1-2.3,\"A\"\"1,2\",/dev/hidraw3,4a5d,"
            "7310,kvm,fw.bin,3000," + std::string(64, 'a') +
                ",fail,Download failed at GET_STATUS,0.096,zentho-iap 0.1.0,J-7,L42,line-2,A1\r\n");
  r.failure.clear();
  r.serial = "line\nbreak";
  EXPECT_NE(cli::RecordJson(r).find("\"serial\":\"line\\nbreak\""), std::string::npos);
  EXPECT_NE(cli::RecordJson(r).find("\"failure\":null"), std::string::npos);
  EXPECT_NE(cli::RecordCsv(r).find(",\"line\nbreak\","), std::string::npos);
}

TEST(StationRecord, TheCsvHeaderIsWrittenOnceAndTheFileOnlyGrows) {
  TempDir dir;
  const std::string path = dir.file("record.csv");
  for (int run = 0; run < 2; ++run) {
    cli::RecordFile file;
    const OsResult<void> opened = file.open(path, cli::RecordCsvHeader());
    ASSERT_TRUE(opened) << opened.reason();
    const OsResult<void> written = file.append("row " + std::to_string(run) + "\r\n");
    ASSERT_TRUE(written) << written.reason();
  }
  EXPECT_EQ(ReadFile(path), cli::RecordCsvHeader() + "row 0\r\nrow 1\r\n");
  cli::RecordFile folder;
  const OsResult<void> refused = folder.open(dir.file(""), {});
  EXPECT_FALSE(refused);
  EXPECT_EQ(refused.reason(), "is a directory");
}

// A file cut off mid-line (a crash of another writer, a hand edit) still gets each new
// record on a line of its own, with the record's own line end.
TEST(StationRecord, ANewLineStartsOnItsOwnLine) {
  TempDir dir;
  struct Case {
    std::string before;
    std::string line;
    std::string after;
  };
  const std::vector<Case> cases = {
      {"{\"cut", "{}\n", "{\"cut\n{}\n"},
      {"a,b", "c,d\r\n", "a,b\r\nc,d\r\n"},
      {"whole\n", "{}\n", "whole\n{}\n"},
      {"", "{}\n", "{}\n"},
  };
  for (const Case& c : cases) {
    const std::string path = dir.write("record", c.before);
    cli::RecordFile file;
    ASSERT_TRUE(file.open(path, {}));
    ASSERT_TRUE(file.append(c.line));
    ASSERT_TRUE(file.append(c.line));
    EXPECT_EQ(ReadFile(path), c.after + c.line) << c.before;
  }
}

// Cells a spreadsheet would run as a formula are shown as text: quoted, with a single
// quote in front. Other cells stay as they were.
TEST(StationRecord, CsvCellsThatWouldRunAsFormulasAreNeutralised) {
  struct Case {
    std::string serial;
    std::string cell;
  };
  const std::vector<Case> cases = {
      {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
      {"+1+1", "\"'+1+1\""},
      {"-2+3", "\"'-2+3\""},
      {"@SUM(A1)", "\"'@SUM(A1)\""},
      {"\t=1", "\"'\t=1\""},
      {"\r=1", "\"'\r=1\""},
      {"SN-1=2", "SN-1=2"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SessionRecord r;
    r.serial = c.serial;
    r.port = "1-1";
    EXPECT_NE(cli::RecordCsv(r).find(",1-1," + c.cell + ","), std::string::npos)
        << cli::RecordCsv(r);
  }
}

TEST(StationRecord, JsonAndCsvHoldTheSameFieldsInTheSameOrder) {
  SessionRecord r;
  r.failure = "why";
  std::vector<std::string> keys;
  const nlohmann::ordered_json json = nlohmann::ordered_json::parse(cli::RecordJson(r));
  for (const auto& [key, value] : json.items()) keys.push_back(key);
  std::string header = cli::RecordCsvHeader();
  header.resize(header.size() - 2);
  std::vector<std::string> columns;
  for (std::size_t start = 0, comma; start <= header.size(); start = comma + 1) {
    comma = std::min(header.find(',', start), header.size());
    columns.push_back(header.substr(start, comma - start));
  }
  EXPECT_EQ(keys, columns);
  EXPECT_EQ(columns.size(), 19U);
}

TEST(StationDisplay, TheLiveTable) {
  using Row = cli::StationLiveDisplay::Row;
  const std::vector<Row> rows = {
      {{3, "1-2.3", "", "/dev/hidraw5"}, "flashing", 1000, 3000, {}},
      {{1, "1-1", "SN0001", "/dev/hidraw3"}, "pass", 3000, 3000, {}},
      {{2, "", "", "/dev/hidraw4"}, "FAIL", 1000, 3000, "Download failed at GET_STATUS"},
      // A serial with a control byte in it is shown escaped, never sent to the terminal.
      {{4, "2-1", "\a", "/dev/hidraw6"}, "flashing", 0, 3000, {}},
  };
  EXPECT_EQ(cli::StationLiveDisplay::Render(rows, {.passed = 1, .failed = 1, .running = 1}),
            (std::vector<std::string>{
                "port          serial  state      progress",
                "/dev/hidraw4          FAIL        33%  1000/3000  Download failed at GET_STATUS",
                "1-1           SN0001  pass       100%  3000/3000",
                "1-2.3                 flashing    33%  1000/3000",
                "2-1           \\x07    flashing     0%  0/3000",
                "passed 1  failed 1  unplugged 0  in progress 1",
            }));
}

TEST(StationRecord, BuiltFromTheSessionsOutcome) {
  struct Case {
    const char* name;
    bool sessionPassed;
    bool confirmed;
    std::string mismatch;
    bool gone;
    bool stoppedByOperator;
    std::string result;
    std::string failure;
  };
  const std::vector<Case> cases = {
      {"passed", true, true, "", false, false, "pass", ""},
      {"passed, then taken out", true, true, "", true, false, "pass", ""},
      {"closing report held back", true, false, "", false, false, "fail",
       "the closing report did not reach the device"},
      {"other bytes sent", true, false, "block 2 differs", false, false, "fail", "block 2 differs"},
      {"taken out", false, false, "", true, false, "unplugged",
       "taken out during the session; last line: Chip Revision : 1"},
      {"stopped", false, false, "", false, true, "fail", "stopped by the operator"},
      {"failed", false, false, "", false, false, "fail", "Chip Revision : 1"},
  };
  cli::StationSettings settings;
  settings.downloadMode = DownloadMode::SoftwareConfig;
  settings.file = "cfg.txt";
  settings.tool = "zentho-iap 9.9";
  settings.job = "J";
  settings.stationName = "st";
  cli::StationImage image;
  image.file.size = 700;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    cli::SessionOutcome outcome;
    outcome.board = cli::Board{4, "1-2", "SN7", "/dev/hidraw3"};
    outcome.ids = {0x4A5D, 0x7310};
    outcome.sessionPassed = c.sessionPassed;
    outcome.confirmed = c.confirmed;
    outcome.mismatch = c.mismatch;
    outcome.failingLine = "Chip Revision : 1";
    outcome.gone = c.gone;
    outcome.stoppedByOperator = c.stoppedByOperator;
    outcome.seconds = 1.5;
    const SessionRecord record = cli::BuildSessionRecord(outcome, settings, image);
    EXPECT_EQ(record.result, c.result);
    EXPECT_EQ(record.failure, c.failure);
    EXPECT_EQ(cli::RecordCsv(record).substr(50),
              "1-2,SN7,/dev/hidraw3,4a5d,7310,config,cfg.txt,700," + ToHex(image.file.digest) + "," +
                  c.result + "," + (c.failure.empty() ? "" : c.failure) + ",1.500,zentho-iap 9.9,J,,st,1-2\r\n");
  }
}

TEST(StationVerb, EventLinesAndSummaryWithoutATerminal) {
  CliHarness cli;
  TempDir dir;
  const std::string file = dir.write("fw.bin", PatternBytes(3000));
  sim::BusInterfaceOptions first;
  first.portPath = "1-1";
  first.serialNumber = "SN1";
  cli.plug(*cli.systemBus, {}, first);
  sim::BusInterfaceOptions second;
  second.portPath = "1-2";
  cli.plug(*cli.systemBus, RefuseBlock(2), second);
  sim::BusInterfaceOptions third;
  third.portPath = "1-3";
  cli.plug(*cli.systemBus, {}, third);

  const CliResult result = cli.run({"station", "--mode", "kvm", file, "--limit", "2",
                                    "--max-parallel", "1", "--record-csv", dir.file("r.csv")});
  EXPECT_EQ(result.code, 1);
  Sha256 hash;
  hash.update(PatternBytes(3000));
  EXPECT_EQ(Lines(result.out),
            (std::vector<std::string>{
                "station: kvm " + file + " (3000 bytes, SHA-256 " + ToHex(hash.finish()) +
                    "), waiting for 4a5d:7310 boards",
                "[1-1] started on sim:0, serial SN1",
                "[1-1] pass in 0.0 s",
                "passed 1  failed 0  unplugged 0  in progress 0",
                "[1-2] started on sim:1",
                "[1-2] FAIL: Download failed at GET_STATUS",
                "passed 1  failed 1  unplugged 0  in progress 0",
                "[1-3] started on sim:2",
                "[1-3] pass in 0.0 s",
                "passed 2  failed 1  unplugged 0  in progress 0",
                "3 sessions: 2 passed, 1 failed, 0 unplugged",
            }));
  EXPECT_EQ(Lines(ReadFile(dir.file("r.csv"))).size(), 4U);
}

TEST(StationVerb, ExitCodeSaysWhetherAnythingPassed) {
  // A run that flashed nothing is no success: neither when no board came nor when every
  // one was taken out during its session.
  struct Case {
    const char* name;
    std::vector<bool> pulled;  // one board per entry, taken out at its second block
    int code;
    std::string lastLine;      // of stdout, or of stderr when stdout is empty
    std::size_t imageSize = 3000;
    bool plan = false;         // boards from a hot-plug plan
  };
  const std::vector<Case> cases = {
      {"nothing came", {}, 3, "0 sessions: 0 passed, 0 failed, 0 unplugged"},
      {"every board taken out", {true}, 3, "1 session: 0 passed, 0 failed, 1 unplugged"},
      {"one passed, one taken out", {false, true}, 0, "2 sessions: 1 passed, 0 failed, 1 unplugged"},
      // Ctrl-C reaches the hashing of a large image.
      {"stopped while hashing", {}, 3, "zentho-iap: interrupted by the user", 1 << 20},
      // ... and the reading of a plan.
      {"stopped while reading the plan", {}, 3, "zentho-iap: interrupted by the user", 3000, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CliHarness cli;
    TempDir dir;
    const std::string file = dir.write("fw.bin", PatternBytes(c.imageSize));
    std::set<std::string> pulled;
    for (std::size_t i = 0; i < c.pulled.size(); ++i) {
      sim::BusInterfaceOptions where;
      where.portPath = "1-" + std::to_string(i + 1);
      cli.plug(*cli.systemBus, {}, where);
      if (c.pulled[i]) pulled.insert("sim:" + std::to_string(i));
    }
    std::mutex mutex;
    std::map<std::string, unsigned> exchanges;
    cli.systemBus->onExchange([&](const std::string& path) {
      std::lock_guard lock(mutex);
      if (pulled.count(path) == 0 || ++exchanges[path] != 6) return;
      cli.systemBus->unplug(path);  // before the DNLOAD of block 1 goes out
      cli.stop.request_stop();      // no new sessions; the running ones end
    });
    if (pulled.empty()) cli.stop.request_stop();
    std::vector<std::string> args = {"station", "--mode", "kvm", file};
    if (c.plan) args.push_back("--simulate=plan:" + dir.write("plan.txt", std::string("0 plug 1-1\n")));
    const CliResult result = cli.run(args);
    EXPECT_EQ(result.code, c.code) << result.err;
    const std::vector<std::string> lines = Lines(result.out.empty() ? result.err : result.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), c.lastLine);
  }
}

TEST(StationVerb, ControlBytesFromTheBoardsAreEscapedInEveryLine) {
  CliHarness cli;
  TempDir dir;
  const std::string file = dir.write("fw.bin", PatternBytes(100));
  sim::BusInterfaceOptions board;
  board.portPath = "1-\x1b[2J1";
  board.serialNumber = "SN\r\n\x07";
  cli.plug(*cli.systemBus, {}, board);
  const CliResult result = cli.run({"station", "--mode", "kvm", file, "--limit", "1"});
  EXPECT_EQ(result.code, 0);
  const std::vector<std::string> lines = Lines(result.out);
  ASSERT_GE(lines.size(), 3U);
  EXPECT_EQ(lines[1], "[1-\\x1b[2J1] started on sim:0, serial SN\\r\\n\\x07");
  EXPECT_EQ(lines[2], "[1-\\x1b[2J1] pass in 0.0 s");
  const std::vector<cli::StationLiveDisplay::Row> rows = {
      {{1, "1-\x1b[2J1", "SN\x07", "/dev/hidraw3"}, "FAIL", 0, 100, "line\r\n"}};
  EXPECT_EQ(cli::StationLiveDisplay::Render(rows, {})[1],
            "1-\\x1b[2J1  SN\\x07  FAIL         0%  0/100  line\\r\\n");
}

TEST(StationVerb, RefusesWhatItCannotUse) {
  CliHarness cli;
  TempDir dir;
  const std::string file = dir.write("fw.bin", PatternBytes(10));
  const std::string plan = dir.write("plan.txt", std::string("0.5 plug 1-1 colour=red\n"));
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"--mode", "kvm", dir.file("none.bin")}, 4,
       "zentho-iap: cannot read " + dir.file("none.bin") + ": No such file or directory\n"},
      {{"--mode", "kvm", file, "--record", dir.file("")}, 4,
       "zentho-iap: cannot write " + dir.file("") + ": is a directory\n"},
      {{"--mode", "kvm", file, "--simulate=plan:" + plan}, 2,
       "zentho-iap: " + plan + ": plan line 1: \"colour=red\" is not serial=TEXT, refuse=BLOCK or stall=BLOCK\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"station"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult result = cli.run(args);
    EXPECT_EQ(result.code, c.code) << c.err;
    EXPECT_EQ(result.err, c.err);
  }
}

}  // namespace
}  // namespace zentho::testing
