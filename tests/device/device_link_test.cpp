// The shared device link: exchanges pass through until release, the handle closes
// only when no exchange is in flight, and removal of the connected device is heard.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "tests/device/bus_fixture.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"
#include "transfer/download_session.h"

namespace zentho::testing {
namespace {

std::vector<std::uint8_t> SetImageTypeReport() {
  std::vector<std::uint8_t> report(kCommandReportLength, 0);
  report[0] = kReportId;
  report[1] = static_cast<std::uint8_t>(Command::SETIMGTYPE);
  report[2] = static_cast<std::uint8_t>(ImageType::KvmSystem);
  return report;
}

TEST(DeviceLinkTest, ExchangesReachTheDeviceUntilReleased) {
  BusFixture f;
  auto device = f.makeDevice();
  f.bus.plug(device);
  std::shared_ptr<device::DeviceLink> link = f.find();
  ASSERT_NE(link, nullptr);

  const std::vector<std::uint8_t> report = SetImageTypeReport();
  EXPECT_TRUE(link->setOutputReport(report));
  std::vector<std::uint8_t> status(kStatusReportLength, 0);
  status[0] = kReportId;
  EXPECT_TRUE(link->getInputReport(status));
  EXPECT_EQ(link->inputReportLength(), std::optional<std::size_t>{8});

  link->release();
  link->release();
  EXPECT_TRUE(link->released());
  EXPECT_TRUE(link->closed());
  EXPECT_EQ(link->removalWatch(), nullptr);
  EXPECT_FALSE(link->setOutputReport(report));
  EXPECT_FALSE(link->getInputReport(status));
  EXPECT_EQ(link->inputReportLength(), std::nullopt);

  // Only the three exchanges before the release reached the device.
  const std::vector<sim::TraceEntry> trace = device->trace();
  ASSERT_EQ(trace.size(), 3u);
  EXPECT_EQ(trace[0].kind, sim::TraceKind::Output);
  EXPECT_EQ(trace[0].bytes, report);
  EXPECT_EQ(f.bus.counters().closes, 1u);
}

TEST(DeviceLinkTest, ReleaseDuringAnExchangeClosesWhenTheExchangeEnds) {
  BusFixture f;
  f.plug(0x4A5D, 0x7310);
  std::shared_ptr<device::DeviceLink> link = f.find();
  ASSERT_NE(link, nullptr);

  std::mutex mutex;
  std::condition_variable changed;
  bool inExchange = false;
  bool released = false;
  f.bus.onExchange([&](const std::string&) {
    std::unique_lock lock(mutex);
    inExchange = true;
    changed.notify_all();
    changed.wait(lock, [&] { return released; });
  });

  bool delivered = false;
  std::thread worker([&] { delivered = link->setOutputReport(SetImageTypeReport()); });
  {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return inExchange; });
  }
  link->release();  // must not wait for the exchange in flight
  EXPECT_TRUE(link->released());
  EXPECT_FALSE(link->closed());
  EXPECT_EQ(f.bus.counters().closes, 0u);
  {
    std::lock_guard lock(mutex);
    released = true;
  }
  changed.notify_all();
  worker.join();

  EXPECT_TRUE(delivered);  // the exchange already under way finishes normally
  EXPECT_TRUE(link->closed());
  EXPECT_EQ(f.bus.counters().closes, 1u);
  f.bus.onExchange(nullptr);
  std::vector<std::uint8_t> status(kStatusReportLength, 0);
  status[0] = kReportId;
  EXPECT_FALSE(link->getInputReport(status));
}

// Releases the link at a random exchange of a running download, many times; the
// sanitizer builds check that no closed handle is ever touched.
TEST(DeviceLinkTest, ReleaseInTheMiddleOfDownloadsEndsThemCleanly) {
  TempDir dir;
  const std::vector<std::uint8_t> image = PatternBytes(3000);
  const std::string path = dir.write("image.bin", image);
  std::mt19937 random(20261208);
  int completed = 0;
  int cutShort = 0;

  for (int round = 0; round < 200; ++round) {
    BusFixture f;
    auto device = f.makeDevice();
    f.bus.plug(device);
    std::shared_ptr<device::DeviceLink> link = f.find();
    ASSERT_NE(link, nullptr);

    const unsigned releaseAt = std::uniform_int_distribution<unsigned>(1, 14)(random);
    std::mutex mutex;
    std::condition_variable changed;
    unsigned exchanges = 0;
    bool sessionOver = false;
    f.bus.onExchange([&](const std::string&) {
      std::lock_guard lock(mutex);
      if (++exchanges == releaseAt) changed.notify_all();
    });

    int result = -1;
    std::thread worker([&, session = link] {
      RecordingSink sink;
      ConfigImage configImage{};
      DownloadRequest request{DownloadMode::KvmSystem, path, {}};
      SessionContext context{*session, configImage, sink, f.clock, {}};
      result = RunDownloadSession(request, context);
      std::lock_guard lock(mutex);
      sessionOver = true;
      changed.notify_all();
    });
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return exchanges >= releaseAt || sessionOver; });
    }
    link->release();
    worker.join();

    EXPECT_TRUE(link->closed());
    EXPECT_EQ(f.bus.counters().closes, f.bus.counters().opens);
    std::optional<sim::ReceivedImage> received = device->image(ImageType::KvmSystem);
    if (result == 1) {
      ++completed;
      ASSERT_TRUE(received.has_value());
      EXPECT_EQ(received->bytes, image);
    } else {
      ++cutShort;
      EXPECT_EQ(result, 0);
      EXPECT_FALSE(received && received->complete);
    }
  }
  EXPECT_GT(cutShort, 0);
  EXPECT_EQ(completed + cutShort, 200);
}

TEST(RemovalWatchTest, OnlyTheConnectedDevicesRemovalIsHeard) {
  BusFixture f;
  const std::string other = f.plug(0x046D, 0xC077);
  const std::string target = f.plug(0x4A5D, 0x7310);
  std::shared_ptr<device::DeviceLink> link = f.find();
  ASSERT_NE(link, nullptr);
  device::RemovalWatch* watch = link->removalWatch();
  ASSERT_NE(watch, nullptr);
  int notified = 0;
  watch->setNotify([&] { ++notified; });

  f.bus.unplug(other);
  EXPECT_FALSE(watch->removed());
  EXPECT_EQ(notified, 0);
  EXPECT_TRUE(link->setOutputReport(SetImageTypeReport()));

  f.bus.unplug(target);
  EXPECT_TRUE(watch->removed());
  EXPECT_EQ(notified, 1);
  EXPECT_FALSE(link->setOutputReport(SetImageTypeReport()));

  // A front end that asks late is told at once.
  int lateNotified = 0;
  watch->setNotify([&] { ++lateNotified; });
  EXPECT_EQ(lateNotified, 1);
  link->release();
  EXPECT_EQ(f.bus.counters().closes, f.bus.counters().opens);
}

}  // namespace
}  // namespace zentho::testing
