// The kernel's faults through the hidraw backend on mocked nodes: a 16-block image and,
// at every block, EPIPE, ETIMEDOUT, ESHUTDOWN and ENODEV on the DNLOAD and on the status
// read, once or for good, and the node unplugged while the block is on its way. Each
// scenario must end with the exact log, the system's reason for every failed exchange in
// the trace, the result, the number of report ioctls, the pauses, the progress position,
// the removal watch's verdict, the firmware file closed and nothing reaching the node
// after the link is released.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "device/find_device.h"
#include "device/link_messages.h"
#include "device/linux/udev_platform.h"
#include "tests/device/linux/mock_hidraw.h"
#include "tests/support/fault_checks.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"
#include "transfer/download_session.h"
#include "transfer/session_messages.h"

namespace zentho::testing {
namespace {

using namespace std::chrono_literals;

constexpr unsigned kBlocks = 16;
constexpr std::size_t kImageLength = kBlocks * kBlockSize;
// Report ioctls of a healthy session: SETIMGTYPE and its status read, a DNLOAD and an
// acknowledgement per block, the closing DNLOAD. (The input length comes from sysfs.)
constexpr std::size_t kHealthyReports = 2 + 2 * kBlocks + 1;

std::size_t Remaining(unsigned block) { return (kBlocks - 1 - block) * kBlockSize; }
// Report ioctls of a session that failed at `block` before its DNLOAD: the handshake and
// the blocks before it.
std::size_t Before(unsigned block) { return 2 + 2 * std::size_t{block}; }

std::string Reason(bool output, int error) {
  return std::string(output ? "HIDIOCSOUTPUT: " : "HIDIOCGINPUT: ") + std::strerror(error) + "\n";
}

struct Outcome {
  int result;
  std::string faultLog;                 // between "Chip Revision : 1" and the success line
  std::vector<std::string> reasons;     // trace lines after "Start download file to device"
  std::size_t reports;
  std::size_t pauses;
};

struct KernelRow {
  std::string name;
  bool output;     // the fault is on HIDIOCSOUTPUT (else HIDIOCGINPUT)
  int error;
  bool once;       // one call faulted, else every call from the block on
  std::chrono::milliseconds stall;
  bool removal;    // the removal watch must have heard of it
  bool unplug;     // the node is unplugged while the block's DNLOAD is in the kernel
};

Outcome Expected(const KernelRow& row, unsigned b) {
  const std::string reason = Reason(row.output, row.error);
  if (row.unplug) {
    // The retries fail in the kernel without reaching the gone device's report ioctls.
    return {0, Repeat(msg::DnloadFail(b, Remaining(b)), kBlockOffers),
            std::vector<std::string>(kBlockOffers, reason), Before(b) + 1, kBlockOffers};
  }
  if (row.output) {
    const std::string failed = msg::DnloadFail(b, Remaining(b));
    if (row.once) return {1, failed, {reason}, kHealthyReports + 1, 1};
    // Four offers of the block, three pauses between them and one after the last.
    return {0, Repeat(failed, kBlockOffers), std::vector<std::string>(kBlockOffers, reason),
            Before(b) + kBlockOffers, kBlockOffers};
  }
  const std::string failed = msg::GetStatusFailAtBlock(b);
  if (row.once) return {1, failed, {reason}, kHealthyReports + 1, 0};
  // A stall as long as the acknowledgement wait ends it at the first failed read.
  if (row.stall >= 5000ms) return {0, failed + msg::AckTimeout(b), {reason}, Before(b) + 2, 0};
  return {0, Repeat(failed, kAckReadFailures), std::vector<std::string>(kAckReadFailures, reason),
          Before(b) + 1 + kAckReadFailures, 0};
}

const KernelRow kRows[] = {
    {"EPIPE on the DNLOAD, once", true, EPIPE, true, 0ms, false, false},
    {"EPIPE on every DNLOAD", true, EPIPE, false, 0ms, false, false},
    {"EPIPE on the status read, once", false, EPIPE, true, 0ms, false, false},
    {"EPIPE on every status read", false, EPIPE, false, 0ms, false, false},
    {"ETIMEDOUT on the DNLOAD after 5 s, once", true, ETIMEDOUT, true, 5000ms, false, false},
    {"ETIMEDOUT on every DNLOAD after 5 s", true, ETIMEDOUT, false, 5000ms, false, false},
    {"ETIMEDOUT on the status read after 1 s, once", false, ETIMEDOUT, true, 1000ms, false, false},
    {"ETIMEDOUT on every status read after 5 s", false, ETIMEDOUT, false, 5000ms, false, false},
    {"ESHUTDOWN on every DNLOAD", true, ESHUTDOWN, false, 0ms, true, false},
    {"ESHUTDOWN on every status read", false, ESHUTDOWN, false, 0ms, true, false},
    {"ENODEV on every DNLOAD", true, ENODEV, false, 0ms, true, false},
    {"ENODEV on every status read", false, ENODEV, false, 0ms, true, false},
    {"unplugged during the DNLOAD (ESHUTDOWN)", true, ESHUTDOWN, false, 0ms, true, true},
};

TEST(HidrawFaultMatrix, EveryKernelFaultAtEveryBlockEndsAsPromised) {
  const std::vector<std::uint8_t> image = PatternBytes(kImageLength);
  TempDir dir;
  const std::string path = dir.write("image.bin", image);
  const std::string head = "\r\nRuntime file is loaded. File size: 16384 bytes.\r\n"
                           "Start Runtime Transferring...\r\n"
                           "Chip Revision : 1\r\n";
  std::size_t scenarios = 0;
  for (const KernelRow& row : kRows) {
    for (unsigned block = 0; block < kBlocks; ++block) {
      SCOPED_TRACE(row.name + " at block " + std::to_string(block));
      MockHidrawBus bus;
      device::linux_hid::UdevHidPlatform platform({"6.1.0-27-amd64", dir.file("quirks")});
      MockNode& node = bus.add(0, 0x4A5D, 0x7310);
      if (row.unplug) {
        std::lock_guard lock(node.mutex);
        node.holdAtBlock = block;
      } else {
        node.inject({.ioctl = row.output ? ReportIoctl::Output : ReportIoctl::Input,
                     .after = block + 1,
                     .count = row.once ? 1 : kEveryCall,
                     .error = row.error,
                     .stall = row.stall});
      }
      std::string searchLog;
      std::shared_ptr<device::DeviceLink> link = device::FindDevice(
          platform, 0x4A5D, 0x7310, [&](std::string_view text) { searchLog += text; }, {});
      ASSERT_NE(link, nullptr);
      ASSERT_EQ(searchLog, "");

      RecordingSink sink;
      ConfigImage configImage{};
      DownloadRequest request{DownloadMode::KvmSystem, path, {}};
      SessionContext context{*link, configImage, sink, bus.clock, {}};
      const std::size_t descriptors = OpenDescriptors();
      int result = -1;
      if (row.unplug) {
        std::thread worker([&] { result = RunDownloadSession(request, context); });
        node.waitUntilHolding();  // the block is in the kernel
        bus.unplug(node, row.error);
        node.release();
        worker.join();
      } else {
        result = RunDownloadSession(request, context);
      }
      const Outcome expected = Expected(row, block);

      EXPECT_EQ(result, expected.result);
      EXPECT_EQ(sink.log, head + expected.faultLog +
                              (expected.result == 1 ? std::string(msg::kTransmittedSuccessfully) : ""));
      std::vector<std::string> trace{"Start download file to device\n"};
      trace.insert(trace.end(), expected.reasons.begin(), expected.reasons.end());
      std::vector<std::string> seenTrace;
      std::string lastPosition;
      for (const std::string& event : sink.events) {
        if (event.starts_with("trace:")) seenTrace.push_back(event.substr(6));
        if (event.starts_with("pos:")) lastPosition = event;
      }
      EXPECT_EQ(seenTrace, trace);
      EXPECT_EQ(node.reportCalls, expected.reports);
      EXPECT_EQ(bus.clock.pauses().size(), expected.pauses);
      // Progress moves one block per acknowledgement and is full only on success.
      EXPECT_EQ(lastPosition,
                "pos:" + std::to_string(expected.result == 1 ? kImageLength : block * kBlockSize));
      EXPECT_EQ(link->removalWatch()->removed(), row.removal);
      EXPECT_EQ(OpenDescriptors(), descriptors);  // the firmware file was closed
      const std::optional<sim::ReceivedImage> received = node.device->image(ImageType::KvmSystem);
      // The device holds the blocks delivered (the failed block too when only its
      // acknowledgement was lost), and the whole image only on success.
      const std::size_t delivered = expected.result == 1 ? kImageLength
                                    : row.output         ? block * kBlockSize
                                                         : (block + 1) * kBlockSize;
      EXPECT_EQ(received ? received->length : 0, delivered);
      EXPECT_EQ(received && received->complete, expected.result == 1);
      if (expected.result == 1 && received) {
        EXPECT_EQ(received->bytes, image);
      }

      // Once released, the link closes the node and no exchange reaches it again.
      link->release();
      EXPECT_TRUE(link->closed());
      const unsigned calls = node.reportCalls;
      std::vector<std::uint8_t> status(kStatusReportLength, 0);
      status[0] = 1;
      EXPECT_FALSE(link->getInputReport(status));
      EXPECT_EQ(link->failureReason(), device::msg::kLinkReleased);
      EXPECT_EQ(node.reportCalls, calls);
      ++scenarios;
    }
  }
  std::cout << "hidraw fault matrix: " << scenarios << " scenarios through the mocked kernel\n";
  EXPECT_EQ(scenarios, std::size(kRows) * kBlocks);
}

}  // namespace
}  // namespace zentho::testing
