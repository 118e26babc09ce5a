// USB parents and arrival uevents for mocked hidraw nodes, for tests of port paths and
// hot-plug.
#include <stdexcept>

#include "tests/device/linux/mock_hidraw.h"

namespace zentho::testing {

void MockHidrawBus::addUsbParent(unsigned index, const std::string& serial) {
  const std::string port = "1-" + std::to_string(index + 1);
  const std::string record = "P: /devices/pci0000:00/0000:00:14.0/usb1/" + port +
                             "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: serial=" + serial + "\n";
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(testbed_, record.c_str(), &error)) {
    const std::string what = error ? error->message : "unknown";
    if (error) g_error_free(error);
    throw std::runtime_error("umockdev_testbed_add_from_string: " + what);
  }
}

void MockHidrawBus::announce(const MockNode& node) {
  umockdev_testbed_uevent(testbed_, node.syspath.c_str(), "add");
}

}  // namespace zentho::testing
