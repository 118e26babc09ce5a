// A umockdev testbed with hidraw nodes whose ioctls are answered by simulated devices.
#pragma once

#include <umockdev.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/simulated/simulated_device.h"
#include "transfer/clock.h"

namespace zentho::testing {

// One mocked hidraw node and the device behind it. The ioctl handler runs on
// umockdev's thread; everything here that the test also touches is locked or atomic.
struct MockNode {
  std::string name;      // "hidraw0"
  std::string devnode;   // "/dev/hidraw0"
  std::string syspath;   // the hidraw device's sysfs path in the testbed
  std::shared_ptr<sim::SimulatedDevice> device;
  UMockdevIoctlBase* handler = nullptr;

  std::atomic<bool> gone{false};           // answer every ioctl with ENODEV
  std::atomic<int> refuseReportsWith{0};   // errno for the report ioctls, as an old kernel
  std::atomic<unsigned> infoQueries{0};    // HIDIOCGRAWINFO calls
  std::atomic<unsigned> descriptorQueries{0};  // HIDIOCGRDESCSIZE and HIDIOCGRDESC calls

  // Holds the handler inside the DNLOAD of `holdAtBlock` until let go.
  std::mutex mutex;
  std::condition_variable changed;
  std::optional<unsigned> holdAtBlock;
  bool holding = false;
  bool letGo = false;
  void waitUntilHolding();
  void release();
};

class MockHidrawBus {
 public:
  MockHidrawBus();
  ~MockHidrawBus();
  MockHidrawBus(const MockHidrawBus&) = delete;
  MockHidrawBus& operator=(const MockHidrawBus&) = delete;

  // Adds a "hid" device with HID_ID and its hidraw child /dev/hidraw<index>, answered
  // by a simulated device with these IDs. The report descriptor is in sysfs, or else
  // only given by the node's descriptor ioctls.
  MockNode& add(unsigned index, std::uint16_t vendorId, std::uint16_t productId,
                bool descriptorInSysfs = true);
  // The remove uevent first (while the node still exists), then the node goes.
  void unplug(MockNode& node);
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

// The report descriptor of the Orvane device: input report 1 of 7 bytes, output
// report 1 of 1029 bytes.
extern const char kOrvaneReportDescriptorHex[];

// The body of main() for tests of mocked nodes: runs every test when preloaded by
// umockdev-wrapper; otherwise skips (exit 77), or fails when ZENTHO_REQUIRE_UMOCKDEV is
// set, as CI does, so that a broken preload can never pass unnoticed.
int RunMockedTests(int argc, char** argv);

}  // namespace zentho::testing
