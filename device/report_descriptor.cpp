// A HID report descriptor walk that sums the bits of each input report.
#include "device/report_descriptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace zentho::device {
namespace {

// Short item prefixes with the size bits masked off.
constexpr std::uint8_t kInput = 0x80;
constexpr std::uint8_t kReportSize = 0x74;
constexpr std::uint8_t kReportId = 0x84;
constexpr std::uint8_t kReportCount = 0x94;
constexpr std::uint8_t kPush = 0xA4;
constexpr std::uint8_t kPop = 0xB4;
constexpr std::uint8_t kLongItem = 0xFE;

struct Globals {
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint32_t reportId = 0;
};

}  // namespace

std::optional<std::size_t> InputReportByteLength(std::span<const std::uint8_t> descriptor) {
  Globals globals;
  std::vector<Globals> stack;
  std::map<std::uint32_t, std::uint64_t> inputBits;  // report ID -> bits

  std::size_t at = 0;
  while (at < descriptor.size()) {
    const std::uint8_t prefix = descriptor[at];
    if (prefix == kLongItem) {
      if (at + 1 >= descriptor.size()) return std::nullopt;
      at += 3u + descriptor[at + 1];
      continue;
    }
    const std::size_t dataSize = (prefix & 3u) == 3u ? 4u : (prefix & 3u);
    if (at + 1 + dataSize > descriptor.size()) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < dataSize; ++i) {
      value |= std::uint32_t{descriptor[at + 1 + i]} << (8 * i);
    }
    at += 1 + dataSize;

    switch (static_cast<std::uint8_t>(prefix & 0xFCu)) {
      case kReportSize: globals.reportSize = value; break;
      case kReportCount: globals.reportCount = value; break;
      case kReportId: globals.reportId = value; break;
      case kPush: stack.push_back(globals); break;
      case kPop:
        if (!stack.empty()) {
          globals = stack.back();
          stack.pop_back();
        }
        break;
      case kInput:
        inputBits[globals.reportId] += std::uint64_t{globals.reportSize} * globals.reportCount;
        break;
      default: break;
    }
  }
  if (at > descriptor.size()) return std::nullopt;

  std::uint64_t longest = 0;
  for (const auto& [id, bits] : inputBits) longest = std::max(longest, (bits + 7) / 8);
  if (inputBits.empty()) return std::size_t{0};
  return static_cast<std::size_t>(longest + 1);
}

}  // namespace zentho::device
