// USB descriptors of the emulated Orvane board, as FunctionFS wants them written to ep0.
#include "gadget_descriptors.h"

#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>

namespace zentho::gadget {
namespace {

constexpr std::uint8_t kDownloadReport[] = {
    0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x01,        //   Report ID (1)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x07,        //   Report Count (7)
    0x09, 0x01,        //   Usage (1)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x96, 0x05, 0x04,  //   Report Count (1029)
    0x09, 0x01,        //   Usage (1)
    0x91, 0x02,        //   Output (Data, Variable, Absolute)
    0xC0,              // End Collection
};

constexpr std::uint8_t kKeyboardReport[] = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00,
    0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01,
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01,
    0x75, 0x03, 0x91, 0x01, 0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07,
    0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0,
};

void PutLe16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutLe32At(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// One HID interface: interface, HID and endpoint descriptors. Returns how many were added.
unsigned PutHidInterface(std::vector<std::uint8_t>& out, std::uint8_t number, std::uint8_t subclass,
                         std::uint8_t protocol, std::size_t reportLength, std::uint8_t inEndpoint,
                         std::uint8_t outEndpoint, bool highSpeed) {
  const std::uint8_t endpoints = outEndpoint != 0 ? 2 : 1;
  out.insert(out.end(), {USB_DT_INTERFACE_SIZE, USB_DT_INTERFACE, number, 0, endpoints,
                         USB_CLASS_HID, subclass, protocol, 0});
  out.insert(out.end(), {9, 0x21, 0x11, 0x01, 0, 1, 0x22});  // HID 1.11, one report descriptor
  PutLe16(out, static_cast<std::uint16_t>(reportLength));
  // Full speed polls every 10 ms; high speed's bInterval 4 is 2^3 microframes, 1 ms.
  const std::uint8_t interval = highSpeed ? 4 : 10;
  const auto putEndpoint = [&](std::uint8_t address) {
    out.insert(out.end(), {USB_DT_ENDPOINT_SIZE, USB_DT_ENDPOINT, address, USB_ENDPOINT_XFER_INT});
    PutLe16(out, 64);
    out.push_back(interval);
  };
  putEndpoint(static_cast<std::uint8_t>(inEndpoint | USB_DIR_IN));
  if (outEndpoint != 0) putEndpoint(outEndpoint);
  return 2 + endpoints;
}

unsigned PutSpeed(std::vector<std::uint8_t>& out, const BoardShape& shape, bool highSpeed) {
  unsigned count = 0;
  std::uint8_t endpoint = 1;
  std::uint8_t number = 0;
  if (shape.keyboardFirst) {
    count += PutHidInterface(out, number++, 1, 1, sizeof kKeyboardReport, endpoint++, 0, highSpeed);
  }
  const std::uint8_t in = endpoint++;
  const std::uint8_t outEp = shape.interruptOut ? endpoint++ : 0;
  count += PutHidInterface(out, number, 0, 0, sizeof kDownloadReport, in, outEp, highSpeed);
  return count;
}

}  // namespace

std::span<const std::uint8_t> DownloadReportDescriptor() { return kDownloadReport; }
std::span<const std::uint8_t> KeyboardReportDescriptor() { return kKeyboardReport; }

unsigned DownloadInterface(const BoardShape& shape) { return shape.keyboardFirst ? 1 : 0; }

unsigned OutEndpointFile(const BoardShape& shape) { return shape.keyboardFirst ? 3 : 2; }

std::vector<std::uint8_t> FunctionFsDescriptors(const BoardShape& shape) {
  std::vector<std::uint8_t> out;
  PutLe32(out, FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
  PutLe32(out, 0);  // length, filled in below
  PutLe32(out, FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC);
  const std::size_t counts = out.size();
  PutLe32(out, 0);
  PutLe32(out, 0);
  PutLe32At(out, counts, PutSpeed(out, shape, false));
  PutLe32At(out, counts + 4, PutSpeed(out, shape, true));
  PutLe32At(out, 4, static_cast<std::uint32_t>(out.size()));
  return out;
}

std::vector<std::uint8_t> FunctionFsStrings() {
  std::vector<std::uint8_t> out;
  PutLe32(out, FUNCTIONFS_STRINGS_MAGIC);
  PutLe32(out, 16);
  PutLe32(out, 0);  // strings
  PutLe32(out, 0);  // languages
  return out;
}

}  // namespace zentho::gadget
