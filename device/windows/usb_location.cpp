// Instance IDs and property values taken apart.
#include "device/windows/usb_location.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace zentho::device::windows_hid {
namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
  return upper;
}

}  // namespace

bool IsUsbDeviceInstance(std::string_view instanceId) {
  const std::size_t first = instanceId.find('\\');
  if (first == std::string_view::npos) return false;
  const std::size_t second = instanceId.find('\\', first + 1);
  if (second == std::string_view::npos || second + 1 >= instanceId.size()) return false;
  if (instanceId.find('\\', second + 1) != std::string_view::npos) return false;
  if (Upper(instanceId.substr(0, first)) != "USB") return false;
  const std::string hardware = Upper(instanceId.substr(first + 1, second - first - 1));
  return !hardware.empty() && hardware.find("&MI_") == std::string::npos;
}

std::string SerialFromInstanceId(std::string_view instanceId) {
  if (!IsUsbDeviceInstance(instanceId)) return {};
  const std::string_view last = instanceId.substr(instanceId.rfind('\\') + 1);
  if (last.find('&') != std::string_view::npos) return {};
  return std::string(last);
}

std::string FirstOfMultiString(std::span<const char> value) {
  if (value.empty()) return {};  // an empty span may carry no pointer at all
  return std::string(value.data(), strnlen(value.data(), value.size()));
}

std::string ConfigRetText(std::uint32_t code) {
  struct Name {
    std::uint32_t code;
    const char* name;
  };
  // The codes the calls made here return.
  static constexpr Name kNames[] = {
      {0x02, "CR_OUT_OF_MEMORY"},   {0x03, "CR_INVALID_POINTER"}, {0x04, "CR_INVALID_FLAG"},
      {0x05, "CR_INVALID_DEVNODE"}, {0x0D, "CR_NO_SUCH_DEVNODE"}, {0x13, "CR_FAILURE"},
      {0x1A, "CR_BUFFER_SMALL"},    {0x25, "CR_NO_SUCH_VALUE"},   {0x33, "CR_ACCESS_DENIED"},
      {0x35, "CR_INVALID_PROPERTY"},
  };
  const std::string number = "configuration manager error " + std::to_string(code);
  for (const Name& name : kNames) {
    if (name.code == code) return std::string(name.name) + " (" + number + ")";
  }
  return number;
}

}  // namespace zentho::device::windows_hid
