// Lists hidraw nodes with libudev and opens them as HidrawDevice.
#include "device/linux/udev_platform.h"

#include <libudev.h>

#include <cerrno>
#include <charconv>
#include <string>
#include <vector>

#include "device/linux/hidraw_device.h"
#include "device/linux/udev_arrival_watch.h"
#include "device/linux/udev_removal_watch.h"
#include "device/system_hid_platform.h"

namespace zentho::device::linux_hid {
namespace {

// What sysfs says of one hidraw node.
struct NodeFacts {
  std::string devnode;  // empty when the node has no DEVNAME
  NodeSysfs sysfs;
  std::optional<HidIds> ids;
  std::string portPath;      // the USB device's sysfs name, "1-2.3"
  std::string serialNumber;  // its "serial" attribute, where it has one
};

NodeFacts Describe(udev_device* node) {
  NodeFacts facts;
  if (const char* devnode = udev_device_get_devnode(node)) facts.devnode = devnode;
  if (const char* syspath = udev_device_get_syspath(node)) facts.sysfs.syspath = syspath;
  // The parents belong to `node` and go with it.
  if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_interface")) {
    if (const char* syspath = udev_device_get_syspath(usb)) facts.sysfs.usbInterfaceSyspath = syspath;
  }
  if (udev_device* hid = udev_device_get_parent_with_subsystem_devtype(node, "hid", nullptr)) {
    if (const char* syspath = udev_device_get_syspath(hid)) facts.sysfs.hidSyspath = syspath;
    if (const char* hidId = udev_device_get_property_value(hid, "HID_ID")) {
      facts.ids = ParseHidId(hidId);
    }
  }
  // The USB device names the port the board is plugged into, whatever node number the
  // kernel hands out this time.
  if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_device")) {
    if (const char* name = udev_device_get_sysname(usb)) facts.portPath = name;
    if (const char* serial = udev_device_get_sysattr_value(usb, "serial")) facts.serialNumber = serial;
  }
  return facts;
}

// The syspaths of every hidraw node present, in libudev's order; `complete` says
// whether the scan itself worked.
std::vector<std::string> ScanHidraw(udev* context, bool* complete = nullptr) {
  std::vector<std::string> syspaths;
  bool scanned = false;
  if (udev_enumerate* enumerate = udev_enumerate_new(context)) {
    if (udev_enumerate_add_match_subsystem(enumerate, "hidraw") >= 0 &&
        udev_enumerate_scan_devices(enumerate) >= 0) {
      scanned = true;
      udev_list_entry* entry = nullptr;
      udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
        syspaths.emplace_back(udev_list_entry_get_name(entry));
      }
    }
    udev_enumerate_unref(enumerate);
  }
  if (complete) *complete = scanned;
  return syspaths;
}

class UdevContext {
 public:
  UdevContext() : context_(udev_new()) {}
  ~UdevContext() {
    if (context_) udev_unref(context_);
  }
  UdevContext(const UdevContext&) = delete;
  UdevContext& operator=(const UdevContext&) = delete;
  udev* get() const { return context_; }

 private:
  udev* context_;
};

// The node named `devnode` among those present; nothing if it isn't a hidraw node.
std::optional<NodeFacts> FindNode(const std::string& devnode) {
  UdevContext context;
  if (!context.get()) return std::nullopt;
  for (const std::string& syspath : ScanHidraw(context.get())) {
    udev_device* node = udev_device_new_from_syspath(context.get(), syspath.c_str());
    if (!node) continue;
    NodeFacts facts = Describe(node);
    udev_device_unref(node);
    if (facts.devnode == devnode) return facts;
  }
  return std::nullopt;
}

class UdevList final : public InterfaceList {
 public:
  UdevList() {
    if (context_.get()) syspaths_ = ScanHidraw(context_.get(), &complete_);
  }
  bool complete() const override { return complete_; }

  // Reading a node's details is the counterpart of reading an interface's path.
  std::optional<InterfaceSlot> at(std::size_t index) override {
    if (index >= syspaths_.size()) return std::nullopt;
    errno = 0;
    udev_device* node = udev_device_new_from_syspath(context_.get(), syspaths_[index].c_str());
    if (!node) {
      return InterfaceSlot{errno == ENOMEM ? InterfaceSlot::Status::AllocationFailed
                                           : InterfaceSlot::Status::DetailReadFailed,
                           {}, {}, {}, {}};
    }
    NodeFacts facts = Describe(node);
    udev_device_unref(node);
    if (facts.devnode.empty()) return InterfaceSlot{InterfaceSlot::Status::DetailReadFailed, {}, {}, {}, {}};
    return InterfaceSlot{InterfaceSlot::Status::Path, std::move(facts.devnode), facts.ids,
                         std::move(facts.portPath), std::move(facts.serialNumber)};
  }

 private:
  UdevContext context_;
  std::vector<std::string> syspaths_;
  bool complete_ = false;
};

bool ParseHex(std::string_view text, std::uint32_t& value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value, 16);
  return ec == std::errc{} && ptr == end;
}

}  // namespace

std::optional<HidIds> ParseHidId(std::string_view hidId) {
  const std::size_t first = hidId.find(':');
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t second = hidId.find(':', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  std::uint32_t vendor = 0;
  std::uint32_t product = 0;
  if (!ParseHex(hidId.substr(first + 1, second - first - 1), vendor) ||
      !ParseHex(hidId.substr(second + 1), product) || vendor > 0xFFFF || product > 0xFFFF) {
    return std::nullopt;
  }
  return HidIds{static_cast<std::uint16_t>(vendor), static_cast<std::uint16_t>(product)};
}

std::unique_ptr<InterfaceList> UdevHidPlatform::listInterfaces() {
  return std::make_unique<UdevList>();
}

OpenResult UdevHidPlatform::open(const std::string& path) {
  // A path that no hidraw node carries still opens: the report length then comes from
  // the node's descriptor ioctls and removal only from its hang-up.
  std::optional<NodeFacts> facts = FindNode(path);
  if (!facts) return HidrawDevice::Open(path, {}, host_);
  return HidrawDevice::Open(path, std::move(facts->sysfs), host_);
}

std::unique_ptr<RemovalWatch> UdevHidPlatform::watchRemoval(HidDevice& device) {
  auto* hidraw = dynamic_cast<HidrawDevice*>(&device);
  if (!hidraw) return nullptr;
  return UdevRemovalWatch::Start(*hidraw);
}

std::unique_ptr<ArrivalWatch> UdevHidPlatform::watchArrivals() { return UdevArrivalWatch::Start(); }

}  // namespace zentho::device::linux_hid

namespace zentho::device {

std::unique_ptr<HidPlatform> MakeSystemHidPlatform() {
  return std::make_unique<linux_hid::UdevHidPlatform>();
}

}  // namespace zentho::device
