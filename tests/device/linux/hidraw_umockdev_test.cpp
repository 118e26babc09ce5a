// The real hidraw backend end to end on mocked hidraw nodes: enumeration, a whole
// download, removal during a session, and the permission message.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <umockdev.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "device/find_device.h"
#include "device/interface_survey.h"
#include "device/link_messages.h"
#include "device/system_hid_platform.h"
#include "tests/device/linux/mock_hidraw.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"
#include "transfer/download_session.h"
#include "transfer/session_messages.h"

namespace zentho::testing {
namespace {

class HidrawTest : public ::testing::Test {
 protected:
  std::shared_ptr<device::DeviceLink> find() {
    return device::FindDevice(*platform, 0x4A5D, 0x7310,
                              [this](std::string_view text) { log += text; });
  }

  int download(device::DeviceLink& link, const std::string& path) {
    DownloadRequest request{DownloadMode::KvmSystem, path, {}};
    SessionContext context{link, configImage, sink, bus.clock, {}};
    return RunDownloadSession(request, context);
  }

  // Waits for the watch's descriptor to turn readable; the limit only stops a broken
  // test from hanging, it is not part of what is checked.
  static bool waitForRemoval(const device::RemovalWatch& watch) {
    pollfd fd{watch.descriptor(), POLLIN, 0};
    return poll(&fd, 1, 10000) == 1 && watch.removed();
  }

  MockHidrawBus bus;
  std::unique_ptr<device::HidPlatform> platform = device::MakeSystemHidPlatform();
  std::string log;
  TempDir dir;
  RecordingSink sink;
  ConfigImage configImage{};
};

std::string HeaderHex(const sim::TraceEntry& entry) {
  std::string text;
  char byte[4];
  for (std::size_t i = 0; i < 6 && i < entry.bytes.size(); ++i) {
    std::snprintf(byte, sizeof byte, i ? " %02X" : "%02X", entry.bytes[i]);
    text += byte;
  }
  return text;
}

TEST_F(HidrawTest, EnumerationListsEveryNodeWithItsIdsAndTheSearchPicksTheTarget) {
  MockNode& mouse = bus.add(0, 0x046D, 0xC077);
  MockNode& target = bus.add(1, 0x4A5D, 0x7310);
  MockNode& second = bus.add(2, 0x4A5D, 0x7310);

  const std::vector<device::InterfaceReport> survey = device::SurveyInterfaces(*platform);
  ASSERT_EQ(survey.size(), 3u);
  EXPECT_EQ(survey[0].path, "/dev/hidraw0");
  EXPECT_EQ(survey[0].ids, (device::HidIds{0x046D, 0xC077}));
  EXPECT_TRUE(survey[0].openable);
  EXPECT_EQ(survey[1].path, "/dev/hidraw1");
  EXPECT_EQ(survey[1].ids, (device::HidIds{0x4A5D, 0x7310}));
  const unsigned secondQueriesBefore = second.infoQueries;

  std::shared_ptr<device::DeviceLink> link = find();
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(log, "");
  EXPECT_EQ(link->path(), "/dev/hidraw1");
  EXPECT_EQ(link->ids(), (device::HidIds{0x4A5D, 0x7310}));
  EXPECT_EQ(link->inputReportLength(), std::optional<std::size_t>{8});
  EXPECT_EQ(mouse.infoQueries, 2u);   // once in the survey, once in the search
  EXPECT_EQ(target.infoQueries, 2u);
  EXPECT_EQ(second.infoQueries, secondQueriesBefore);  // the search stopped at the first match
  link->release();
}

TEST_F(HidrawTest, InputLengthComesFromSysfsOrElseFromTheNodesDescriptor) {
  MockNode& withSysfs = bus.add(0, 0x4A5D, 0x7310);
  MockNode& withoutSysfs = bus.add(1, 0x4A5D, 0x7311, false);
  for (MockNode* node : {&withSysfs, &withoutSysfs}) {
    device::OpenResult opened = platform->open(node->devnode);
    ASSERT_TRUE(opened) << opened.reason();
    EXPECT_EQ(opened.value()->inputReportLength(), std::optional<std::size_t>{8});
  }
  EXPECT_EQ(withSysfs.descriptorQueries, 0u);
  EXPECT_EQ(withoutSysfs.descriptorQueries, 2u);
}

TEST_F(HidrawTest, WholeDownloadThroughTheHidrawBackendArrivesByteForByte) {
  MockNode& node = bus.add(0, 0x4A5D, 0x7310);
  const std::vector<std::uint8_t> image = PatternBytes(2500);
  const std::string path = dir.write("kvm.bin", image);
  std::shared_ptr<device::DeviceLink> link = find();
  ASSERT_NE(link, nullptr);

  EXPECT_EQ(download(*link, path), 1);
  EXPECT_NE(sink.log.find(msg::kTransmittedSuccessfully), std::string::npos) << sink.log;

  std::optional<sim::ReceivedImage> received = node.device->image(ImageType::KvmSystem);
  ASSERT_TRUE(received.has_value());
  EXPECT_TRUE(received->complete);
  EXPECT_EQ(received->bytes, image);

  std::vector<std::string> outputs;
  for (const sim::TraceEntry& entry : node.device->trace()) {
    if (entry.kind == sim::TraceKind::Output) {
      EXPECT_EQ(entry.bytes.size(), kCommandReportLength);
      outputs.push_back(HeaderHex(entry));
    } else if (entry.kind == sim::TraceKind::Input) {
      EXPECT_EQ(entry.bytes.size(), kStatusReportLength);
      EXPECT_EQ(entry.bytes[0], kReportId);
    }
  }
  ASSERT_EQ(outputs.size(), 5u);
  EXPECT_EQ(outputs[0].substr(0, 8), "01 05 01");
  EXPECT_EQ(outputs[1], "01 01 00 04 00 00");
  EXPECT_EQ(outputs[2], "01 01 00 04 01 00");
  EXPECT_EQ(outputs[3], "01 01 C4 01 02 00");
  EXPECT_EQ(outputs[4], "01 01 00 00 03 00");
  link->release();
}

TEST_F(HidrawTest, RemovalDuringADownloadEndsTheLinkAndTheSessionCleanly) {
  MockNode& node = bus.add(0, 0x4A5D, 0x7310);
  const std::vector<std::uint8_t> image = PatternBytes(8 * 1024);
  const std::string path = dir.write("kvm.bin", image);
  std::shared_ptr<device::DeviceLink> link = find();
  ASSERT_NE(link, nullptr);
  device::RemovalWatch* watch = link->removalWatch();
  ASSERT_NE(watch, nullptr);
  {
    std::lock_guard lock(node.mutex);
    node.holdAtBlock = 2;
  }

  int result = -1;
  std::thread worker([&, session = link] { result = download(*session, path); });
  node.waitUntilHolding();  // block 2 is on its way to the device
  bus.unplug(node);
  const bool heard = waitForRemoval(*watch);
  link->release();           // what the window does on the news
  node.release();
  worker.join();

  ASSERT_TRUE(heard);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(link->closed());
  // The block in flight failed with ENODEV; the retries never reached the device.
  EXPECT_EQ(sink.log.substr(sink.log.size() - 4 * msg::DnloadFail(2, 5 * 1024).size()),
            msg::DnloadFail(2, 5 * 1024) + msg::DnloadFail(2, 5 * 1024) +
                msg::DnloadFail(2, 5 * 1024) + msg::DnloadFail(2, 5 * 1024));
  std::optional<sim::ReceivedImage> received = node.device->image(ImageType::KvmSystem);
  ASSERT_TRUE(received.has_value());
  EXPECT_FALSE(received->complete);
  EXPECT_EQ(received->length, 2u * 1024u);
}

TEST_F(HidrawTest, RemovalOfAnotherDeviceLeavesTheLinkUp) {
  MockNode& mouse = bus.add(0, 0x046D, 0xC077);
  MockNode& node = bus.add(1, 0x4A5D, 0x7310);
  const std::vector<std::uint8_t> image = PatternBytes(3 * 1024);
  const std::string path = dir.write("kvm.bin", image);
  std::shared_ptr<device::DeviceLink> link = find();
  ASSERT_NE(link, nullptr);
  device::RemovalWatch* watch = link->removalWatch();
  ASSERT_NE(watch, nullptr);

  bus.unplug(mouse);
  EXPECT_EQ(download(*link, path), 1);
  EXPECT_FALSE(watch->removed());
  EXPECT_EQ(node.device->image(ImageType::KvmSystem)->bytes, image);

  // The watch is still listening: our own node's removal is heard.
  bus.unplug(node);
  EXPECT_TRUE(waitForRemoval(*watch));
  link->release();
}

// Capabilities are per thread, so a root test can drop them on one thread and meet
// the node's file mode like an ordinary user would.
void DropCapabilitiesOfThisThread() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  ASSERT_EQ(syscall(SYS_capset, &header, data), 0) << std::strerror(errno);
}

TEST_F(HidrawTest, MatchingNodeThatCannotBeOpenedIsNamedWithTheReason) {
  MockNode& locked = bus.add(0, 0x4A5D, 0x7310);
  bus.add(1, 0x046D, 0xC077);
  ASSERT_EQ(chmod(bus.nodeFile(locked).c_str(), 0), 0) << std::strerror(errno);

  std::shared_ptr<device::DeviceLink> link;
  std::thread unprivileged([&] {
    DropCapabilitiesOfThisThread();
    link = find();
  });
  unprivileged.join();

  EXPECT_EQ(link, nullptr);
  EXPECT_EQ(log,
            "Cannot open device /dev/hidraw0 (4a5d:7310): Permission denied\r\n"
            "Enum device over\r\n");
}

}  // namespace
}  // namespace zentho::testing

int main(int argc, char** argv) { return zentho::testing::RunMockedTests(argc, argv); }
