// The umockdev testbed behind the hidraw end-to-end tests.
#include "tests/device/linux/mock_hidraw.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <linux/hidraw.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>
#include <stdexcept>

#include "device/linux/hidraw_ioctls.h"

namespace zentho::testing {

const char kOrvaneReportDescriptorHex[] =
    "0600ff0901a10185011500" "26ff0075089507090181029605040901" "9102c0";
const char kKeyboardReportDescriptorHex[] =
    "05010906a101050719e029e7150025017501950881029501750881019505750105081901"
    "2905910295017503910195067508150025650507190029658100c0";

namespace {

std::vector<std::uint8_t> DescriptorBytes(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

constexpr unsigned kInputNumber = 0x0A;   // HIDIOCGINPUT
constexpr unsigned kOutputNumber = 0x0B;  // HIDIOCSOUTPUT

// The caller's buffer, `length` bytes from the ioctl argument; changes made to it
// go back to the caller when the call completes.
struct CallerBuffer {
  CallerBuffer(UMockdevIoctlClient* client, std::size_t length) {
    data = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, length, nullptr);
  }
  ~CallerBuffer() {
    if (data) umockdev_ioctl_data_unref(data);
  }
  std::span<std::uint8_t> bytes() const {
    return {data->data, static_cast<std::size_t>(data->data_len)};
  }
  UMockdevIoctlData* data = nullptr;
};

void Complete(UMockdevIoctlClient* client, long result, int error) {
  umockdev_ioctl_client_complete(client, result, error);
}

void HoldIfAsked(MockNode& node, std::span<const std::uint8_t> report) {
  std::unique_lock lock(node.mutex);
  if (!node.holdAtBlock || report.size() < 6 || report[1] != 1) return;
  const unsigned length = report[2] | unsigned{report[3]} << 8;
  const unsigned block = report[4] | unsigned{report[5]} << 8;
  if (length == 0 || block != *node.holdAtBlock) return;
  node.holding = true;
  node.changed.notify_all();
  node.changed.wait(lock, [&] { return node.letGo; });
}

// The front fault, when it applies to this call; it is used up as documented.
std::optional<ReportFault> TakeFault(MockNode& node, bool output) {
  std::lock_guard lock(node.mutex);
  if (node.faults.empty()) return std::nullopt;
  ReportFault& front = node.faults.front();
  if (front.ioctl != ReportIoctl::Either && (front.ioctl == ReportIoctl::Output) != output) {
    return std::nullopt;
  }
  if (front.after > 0) {
    --front.after;
    return std::nullopt;
  }
  const ReportFault played = front;
  if (front.count != kEveryCall && --front.count == 0) node.faults.pop_front();
  return played;
}

gboolean HandleReportIoctl(MockNode& node, UMockdevIoctlClient* client, bool output,
                           std::size_t size) {
  ++node.reportCalls;
  if (const int error = node.refuseReportsWith.load()) {
    Complete(client, -1, error);
    return TRUE;
  }
  const std::optional<ReportFault> fault = TakeFault(node, output);
  if (fault) {
    ++node.faultedCalls;
    if (fault->stall.count() > 0) node.clock->advance(fault->stall);
    if (fault->error != 0) {
      Complete(client, -1, fault->error);
      return TRUE;
    }
  }
  CallerBuffer buffer(client, size);
  if (output) {
    HoldIfAsked(node, buffer.bytes());
    // The device may have gone while the report was on its way.
    if (node.gone) {
      Complete(client, -1, node.goneError.load());
      return TRUE;
    }
    if (fault && fault->length != 0) {
      Complete(client, static_cast<long>(fault->length), 0);
      return TRUE;
    }
    const bool ok = node.device->setOutputReport(buffer.bytes());
    Complete(client, ok ? static_cast<long>(size) : -1, ok ? 0 : EIO);
    return TRUE;
  }
  std::vector<std::uint8_t> answer(buffer.bytes().begin(), buffer.bytes().end());
  if (!node.device->getInputReport(answer)) {
    Complete(client, -1, EIO);
    return TRUE;
  }
  if (fault && fault->reportId) answer[0] = *fault->reportId;
  const std::size_t delivered = fault && fault->length != 0 ? std::min(fault->length, size) : size;
  std::memcpy(buffer.bytes().data(), answer.data(), delivered);
  Complete(client, static_cast<long>(delivered), 0);
  return TRUE;
}

gboolean HandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer userData) {
  MockNode& node = *static_cast<MockNode*>(userData);
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  if (_IOC_TYPE(request) != 'H') {
    Complete(client, -1, ENOTTY);  // the pty's own requests
    return TRUE;
  }
  if (node.gone) {
    Complete(client, -1, node.goneError.load());
    return TRUE;
  }
  const std::size_t size = _IOC_SIZE(request);
  const unsigned number = _IOC_NR(request);

  if (request == static_cast<unsigned long>(HIDIOCGRAWINFO)) {
    ++node.infoQueries;
    hidraw_devinfo info{};
    info.bustype = 3;
    info.vendor = static_cast<__s16>(node.device->vendorId());
    info.product = static_cast<__s16>(node.device->productId());
    CallerBuffer buffer(client, sizeof info);
    std::memcpy(buffer.bytes().data(), &info, sizeof info);
    Complete(client, 0, 0);
    return TRUE;
  }
  if (number == kOutputNumber || number == kInputNumber) {
    return HandleReportIoctl(node, client, number == kOutputNumber, size);
  }
  if (request == static_cast<unsigned long>(HIDIOCGRDESCSIZE) ||
      request == static_cast<unsigned long>(HIDIOCGRDESC)) {
    ++node.descriptorQueries;
    const std::vector<std::uint8_t>& descriptor = node.descriptor;
    if (request == static_cast<unsigned long>(HIDIOCGRDESCSIZE)) {
      const int descriptorSize = static_cast<int>(descriptor.size());
      CallerBuffer buffer(client, sizeof descriptorSize);
      std::memcpy(buffer.bytes().data(), &descriptorSize, sizeof descriptorSize);
    } else {
      CallerBuffer buffer(client, sizeof(hidraw_report_descriptor));
      std::memcpy(buffer.bytes().data() + offsetof(hidraw_report_descriptor, value),
                  descriptor.data(), descriptor.size());
    }
    Complete(client, 0, 0);
    return TRUE;
  }
  Complete(client, -1, ENOTTY);
  return TRUE;
}

}  // namespace

void MockNode::waitUntilHolding() {
  std::unique_lock lock(mutex);
  changed.wait(lock, [&] { return holding; });
}

void MockNode::inject(ReportFault fault) {
  std::lock_guard lock(mutex);
  faults.push_back(fault);
}

void MockNode::release() {
  std::lock_guard lock(mutex);
  letGo = true;
  changed.notify_all();
}

MockHidrawBus::MockHidrawBus() : testbed_(umockdev_testbed_new()) {}

MockHidrawBus::~MockHidrawBus() {
  for (auto& node : nodes_) {
    node->release();
    g_object_unref(node->handler);
  }
  g_object_unref(testbed_);
}

MockNode& MockHidrawBus::add(unsigned index, std::uint16_t vendorId, std::uint16_t productId,
                            MockNodeOptions options) {
  char ids[32];
  std::snprintf(ids, sizeof ids, "%04X:%04X.%04X", vendorId, productId, index + 1);
  char hidId[32];
  std::snprintf(hidId, sizeof hidId, "0003:%08X:%08X", vendorId, productId);
  const std::string name = "hidraw" + std::to_string(index);
  const std::string port = std::to_string(index + 1);
  const std::string interfacePath =
      "/devices/pci0000:00/0000:00:14.0/usb1/1-" + port + "/1-" + port + ":1.0";
  const std::string hidPath = interfacePath + "/0003:" + ids;
  const std::string hidrawPath = hidPath + "/hidraw/" + name;

  // Child first, then its parents, as umockdev-record writes them.
  const std::string record =
      "P: " + hidrawPath + "\nN: " + name + "\nE: DEVNAME=/dev/" + name +
      "\nE: SUBSYSTEM=hidraw\n\n"
      "P: " + hidPath + "\nE: SUBSYSTEM=hid\nE: HID_ID=" + hidId +
      "\nE: HID_NAME=Mock " + name + "\n" +
      (options.descriptorInSysfs
           ? std::string("H: report_descriptor=") + options.descriptorHex + "\n"
           : std::string()) +
      "\nP: " + interfacePath +
      "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: bInterfaceClass=03\n"
      "A: ep_81/type=Interrupt\nA: ep_81/direction=in\n" +
      (options.interruptOut ? "A: ep_01/type=Interrupt\nA: ep_01/direction=out\n" : "");
  auto node = std::make_unique<MockNode>();
  node->name = name;
  node->devnode = "/dev/" + name;
  node->syspath = "/sys" + hidrawPath;
  node->clock = &clock;
  node->descriptor = DescriptorBytes(options.descriptorHex);
  sim::SimulatedDeviceOptions simOptions;
  simOptions.vendorId = vendorId;
  simOptions.productId = productId;
  node->device = std::make_shared<sim::SimulatedDevice>(simOptions, clock);
  node->handler = umockdev_ioctl_base_new();
  g_signal_connect(node->handler, "handle-ioctl", G_CALLBACK(HandleIoctl), node.get());
  GError* error = nullptr;
  if (!umockdev_testbed_attach_ioctl(testbed_, node->devnode.c_str(), node->handler, &error)) {
    const std::string what = error ? error->message : "unknown";
    if (error) g_error_free(error);
    throw std::runtime_error("umockdev_testbed_attach_ioctl: " + what);
  }
  // The node answers before its uevent goes out, as a kernel's does.
  if (!umockdev_testbed_add_from_string(testbed_, record.c_str(), &error)) {
    const std::string what = error ? error->message : "unknown";
    if (error) g_error_free(error);
    throw std::runtime_error("umockdev_testbed_add_from_string: " + what);
  }

  nodes_.push_back(std::move(node));
  return *nodes_.back();
}

void MockHidrawBus::unplug(MockNode& node, int error) {
  umockdev_testbed_uevent(testbed_, node.syspath.c_str(), "remove");
  node.goneError = error;
  node.gone = true;
  node.device->remove();
  umockdev_testbed_remove_device(testbed_, node.syspath.c_str());
}

std::string MockHidrawBus::nodeFile(const MockNode& node) const {
  gchar* root = umockdev_testbed_get_root_dir(testbed_);
  std::string path = std::string(root) + node.devnode;
  g_free(root);
  return path;
}

int RunMockedTests(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The answer is cached at the first call, which must come after a testbed exists.
  UMockdevTestbed* probe = umockdev_testbed_new();
  const bool mocked = umockdev_in_mock_environment();
  g_object_unref(probe);
  if (!mocked) {
    const bool required = std::getenv("ZENTHO_REQUIRE_UMOCKDEV") != nullptr;
    std::fprintf(stderr, "Not run under umockdev-wrapper: %s\n", required ? "failed" : "skipped");
    return required ? 1 : 77;
  }
  return RUN_ALL_TESTS();
}

}  // namespace zentho::testing
