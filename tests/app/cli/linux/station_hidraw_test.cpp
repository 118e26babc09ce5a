// The station over the real hidraw backend on umockdev's mocked nodes: boards plugged in
// while it runs are heard through udev and named by their USB port.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "app/station/station.h"
#include "device/system_hid_platform.h"
#include "tests/device/linux/mock_hidraw.h"
#include "tests/support/temp_dir.h"

namespace zentho::testing {
namespace {

using namespace std::chrono_literals;

class Finishes final : public cli::StationEvents {
 public:
  void finished(const cli::Board&, const cli::SessionRecord& record, const cli::Tally&) override {
    {
      std::lock_guard lock(mutex_);
      results_.push_back(record.result + " " + record.port + " " + record.serial + " " + record.device);
    }
    changed_.notify_all();
  }
  void left(const cli::Board& board) override {
    {
      std::lock_guard lock(mutex_);
      results_.push_back("left " + board.name());
    }
    changed_.notify_all();
  }
  void problem(const std::string& line) override {
    std::lock_guard lock(mutex_);
    problems_ += line + "\n";
  }
  std::string problems() {
    std::lock_guard lock(mutex_);
    return problems_;
  }
  // Bounded, so that a station that hears nothing fails instead of hanging.
  bool wait(std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 60s, [&] { return results_.size() >= count; });
  }
  std::vector<std::string> results() {
    std::lock_guard lock(mutex_);
    return results_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> results_;
  std::string problems_;
};

TEST(StationHidraw, NodesAddedWhileRunningAreFlashedAndNamedByTheirPort) {
  MockHidrawBus bus;
  TempDir dir;
  const std::vector<std::uint8_t> bytes = PatternBytes(3000);
  cli::StationSettings settings;
  settings.file = dir.write("fw.bin", bytes);
  // Only udev's events can find the new boards: the timed look is an hour away.
  settings.eventSafetyInterval = std::chrono::hours{1};
  const OsResult<cli::StationImage> image = cli::HashStationImage(settings.file, settings.downloadMode);
  ASSERT_TRUE(image) << image.reason();

  bus.addUsbParent(0, "FIRST");
  bus.add(0, 0x4A5D, 0x7310);
  std::unique_ptr<device::HidPlatform> platform = device::MakeSystemHidPlatform();
  Finishes events;
  std::stop_source drain;
  cli::StationSummary summary;
  std::jthread station([&] {
    cli::StationIo io{*platform, bus.clock, [] { return std::chrono::system_clock::now(); },
                      events, {}, {}, {}};
    summary = cli::RunStation(settings, image.value(), io, drain.get_token(), {});
  });
  ASSERT_TRUE(events.wait(1));  // the station is running and listening

  bus.addUsbParent(1, "SECOND");
  MockNode& second = bus.add(1, 0x4A5D, 0x7310);
  bus.addUsbParent(2, "THIRD");
  MockNode& third = bus.add(2, 0x4A5D, 0x7310);
  bus.announce(second);
  bus.announce(third);
  bool heard = events.wait(3);
  // Its udev "remove" event, not a timed look, tells the station that 1-2 is gone.
  if (heard) {
    bus.unplug(second);
    heard = events.wait(4);
  }
  drain.request_stop();
  station.join();
  ASSERT_TRUE(heard) << events.problems();
  EXPECT_EQ(events.problems(), "");

  std::vector<std::string> results = events.results();
  std::sort(results.begin() + 1, results.begin() + 3);  // the two new ones run side by side
  EXPECT_EQ(results, (std::vector<std::string>{"pass 1-1 FIRST /dev/hidraw0",
                                               "pass 1-2 SECOND /dev/hidraw1",
                                               "pass 1-3 THIRD /dev/hidraw2", "left 1-2"}));
  for (MockNode* node : {&second, &third}) {
    ASSERT_TRUE(node->device->image(ImageType::KvmSystem));
    EXPECT_TRUE(node->device->image(ImageType::KvmSystem)->complete);
    EXPECT_EQ(node->device->image(ImageType::KvmSystem)->bytes, bytes);
  }
  EXPECT_EQ(summary.tally.passed, 3U);
}

}  // namespace
}  // namespace zentho::testing
