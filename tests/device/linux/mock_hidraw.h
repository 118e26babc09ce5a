// A umockdev testbed with hidraw nodes whose ioctls are answered by simulated devices,
// and the faults a real kernel and device can give on the report ioctls.
#pragma once

#include <umockdev.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/simulated/simulated_device.h"
#include "transfer/clock.h"

namespace zentho::testing {

// The report descriptor of the Orvane device: input report 1 of 7 bytes, output
// report 1 of 1029 bytes.
extern const char kOrvaneReportDescriptorHex[];
// A boot keyboard (no report IDs, 8 input bytes, 1 output byte), as the keyboard
// interface of a composite KVM device declares it.
extern const char kKeyboardReportDescriptorHex[];

// Which report ioctl a fault applies to.
enum class ReportIoctl : std::uint8_t { Output, Input, Either };

inline constexpr unsigned kEveryCall = ~0u;

// One fault that a node's handler plays on the report ioctls (HIDIOCSOUTPUT and
// HIDIOCGINPUT; the other ioctls are never faulted). Faults wait in a queue and only
// the front one applies: of the calls it matches, the first `after` pass untouched,
// the next `count` are faulted, then the fault is dropped and the next one applies.
// A faulted call first takes `stall` of the bus clock, then:
//   error != 0:   fails with that errno; the device sees nothing (EPIPE, ETIMEDOUT...);
//   length != 0:  input: the device answers but only `length` bytes reach the caller,
//                 which is the ioctl's result; output: the ioctl says `length` bytes
//                 went out and the device gets nothing;
//   reportId:     input: the device answers with this byte 0 instead of its own.
// With none of these the call goes through after its stall.
struct ReportFault {
  ReportIoctl ioctl = ReportIoctl::Either;
  unsigned after = 0;
  unsigned count = 1;  // kEveryCall: every later matching call
  int error = 0;
  std::chrono::milliseconds stall{0};
  std::size_t length = 0;
  std::optional<std::uint8_t> reportId;
};

// One mocked hidraw node and the device behind it. The ioctl handler runs on
// umockdev's thread; everything here that the test also touches is locked or atomic.
struct MockNode {
  std::string name;      // "hidraw0"
  std::string devnode;   // "/dev/hidraw0"
  std::string syspath;   // the hidraw device's sysfs path in the testbed
  std::shared_ptr<sim::SimulatedDevice> device;
  UMockdevIoctlBase* handler = nullptr;
  ManualClock* clock = nullptr;  // the bus clock, which a stall moves on

  // Queues `fault` behind those already queued.
  void inject(ReportFault fault);

  std::atomic<bool> gone{false};            // answer every ioctl with goneError
  std::atomic<int> goneError{ENODEV};
  std::atomic<int> refuseReportsWith{0};    // errno for the report ioctls, as an old kernel
  std::atomic<unsigned> infoQueries{0};     // HIDIOCGRAWINFO calls
  std::atomic<unsigned> descriptorQueries{0};  // HIDIOCGRDESCSIZE and HIDIOCGRDESC calls
  std::atomic<unsigned> reportCalls{0};     // HIDIOCSOUTPUT and HIDIOCGINPUT calls
  std::atomic<unsigned> faultedCalls{0};    // report calls a fault was played on

  // Holds the handler inside the DNLOAD of `holdAtBlock` until let go.
  std::mutex mutex;
  std::condition_variable changed;
  std::optional<unsigned> holdAtBlock;
  bool holding = false;
  bool letGo = false;
  std::deque<ReportFault> faults;  // under `mutex`
  std::vector<std::uint8_t> descriptor;
  void waitUntilHolding();
  void release();
};

struct MockNodeOptions {
  // The report descriptor is in sysfs, or else only given by the node's descriptor ioctls.
  bool descriptorInSysfs = true;
  const char* descriptorHex = kOrvaneReportDescriptorHex;
  // The USB interface's endpoints: interrupt IN always, interrupt OUT when asked.
  bool interruptOut = false;
};

class MockHidrawBus {
 public:
  MockHidrawBus();
  ~MockHidrawBus();
  MockHidrawBus(const MockHidrawBus&) = delete;
  MockHidrawBus& operator=(const MockHidrawBus&) = delete;

  // Adds a USB interface, its "hid" device with HID_ID and their hidraw child
  // /dev/hidraw<index>, answered by a simulated device with these IDs.
  MockNode& add(unsigned index, std::uint16_t vendorId, std::uint16_t productId,
                MockNodeOptions options);
  MockNode& add(unsigned index, std::uint16_t vendorId, std::uint16_t productId,
                bool descriptorInSysfs = true) {
    return add(index, vendorId, productId, MockNodeOptions{descriptorInSysfs});
  }
  // The remove uevent first (while the node still exists), then the node goes; from
  // then on every ioctl fails with `error` (ENODEV; ESHUTDOWN as a host controller
  // gives it while the device is going).
  void unplug(MockNode& node, int error = ENODEV);
  // The USB device above the node add(index) makes ("1-<index+1>", with this serial
  // number), so that the node has a port; call before add(). In mock_usb_port.cpp.
  void addUsbParent(unsigned index, const std::string& serial);
  // The node's "add" uevent, as udevd sends it once its rules have run.
  void announce(const MockNode& node);
  // The testbed's file behind a /dev node.
  std::string nodeFile(const MockNode& node) const;

  ManualClock clock;

 private:
  UMockdevTestbed* testbed_;
  std::vector<std::unique_ptr<MockNode>> nodes_;
};

// The body of main() for tests of mocked nodes: runs every test when preloaded by
// umockdev-wrapper; otherwise skips (exit 77), or fails when ZENTHO_REQUIRE_UMOCKDEV is
// set, as CI does, so that a broken preload can never pass unnoticed.
int RunMockedTests(int argc, char** argv);

}  // namespace zentho::testing
