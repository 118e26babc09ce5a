// Where the USB device that carries a HID interface sits and its serial number, read
// from the device tree without opening anything.
#pragma once

#include <cstdint>
#include <string>

namespace zentho::device::windows_hid {

struct UsbDeviceFacts {
  std::string locationPath;  // "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(3)"
  std::string serialNumber;  // empty when the device has none
};

// Walks up from the HID interface's device node (a DEVINST) to the USB device above it.
// What can't be read stays empty; the reason goes to the debug output. A node with no
// USB device above it (Wine's virtual HID devices) gives nothing, quietly.
UsbDeviceFacts FactsAbove(std::uint32_t hidNode);

}  // namespace zentho::device::windows_hid
