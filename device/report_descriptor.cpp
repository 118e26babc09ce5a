// A HID report descriptor walk that sums the bits of each report, collection by collection.
#include "device/report_descriptor.h"

#include <algorithm>
#include <limits>

namespace zentho::device {
namespace {

// Short item prefixes with the size bits masked off.
constexpr std::uint8_t kInput = 0x80;
constexpr std::uint8_t kOutput = 0x90;
constexpr std::uint8_t kCollection = 0xA0;
constexpr std::uint8_t kEndCollection = 0xC0;
constexpr std::uint8_t kReportSize = 0x74;
constexpr std::uint8_t kReportId = 0x84;
constexpr std::uint8_t kReportCount = 0x94;
constexpr std::uint8_t kPush = 0xA4;
constexpr std::uint8_t kPop = 0xB4;
constexpr std::uint8_t kLongItem = 0xFE;

constexpr std::uint32_t kDownloadReportId = 1;

struct Globals {
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint32_t reportId = 0;
};

// Size and count are 32 bits each, so one field fits 64 bits; only sums can overflow.
void AddBits(std::uint64_t& total, const Globals& globals) {
  const std::uint64_t bits = std::uint64_t{globals.reportSize} * globals.reportCount;
  total = bits > std::numeric_limits<std::uint64_t>::max() - total
              ? std::numeric_limits<std::uint64_t>::max()
              : total + bits;
}

std::size_t BytesWithId(std::uint64_t bits) {
  const std::uint64_t bytes = bits / 8 + (bits % 8 != 0 ? 1 : 0);
  constexpr std::uint64_t kLargest = std::numeric_limits<std::size_t>::max() - 1;
  return static_cast<std::size_t>(std::min(bytes, kLargest) + 1);
}

}  // namespace

std::optional<ReportMap> ParseReportDescriptor(std::span<const std::uint8_t> descriptor) {
  ReportMap map;
  std::optional<CollectionReports> loose;  // main items outside every collection
  Globals globals;
  std::vector<Globals> stack;
  std::size_t depth = 0;

  auto current = [&]() -> CollectionReports& {
    if (depth > 0) return map.collections.back();
    if (!loose) loose.emplace();
    return *loose;
  };

  std::size_t at = 0;
  while (at < descriptor.size()) {
    const std::uint8_t prefix = descriptor[at];
    if (prefix == kLongItem) {
      // Long items carry no report fields: size byte, tag byte, then the data.
      if (at + 2 >= descriptor.size()) return std::nullopt;
      const std::size_t next = at + 3u + descriptor[at + 1];
      if (next > descriptor.size()) return std::nullopt;
      at = next;
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
      case kCollection:
        if (depth == 0) map.collections.emplace_back();
        ++depth;
        break;
      case kEndCollection:
        if (depth > 0) --depth;  // a stray end closes nothing
        break;
      case kInput: AddBits(current().inputBits[globals.reportId], globals); break;
      case kOutput: AddBits(current().outputBits[globals.reportId], globals); break;
      default: break;
    }
  }
  if (loose) map.collections.push_back(std::move(*loose));
  return map;
}

std::size_t InputReportByteLength(const CollectionReports& collection) {
  if (collection.inputBits.empty()) return 0;
  std::uint64_t longest = 0;
  for (const auto& [id, bits] : collection.inputBits) longest = std::max(longest, bits);
  return BytesWithId(longest);
}

std::optional<std::size_t> InputReportByteLength(std::span<const std::uint8_t> descriptor) {
  const std::optional<ReportMap> map = ParseReportDescriptor(descriptor);
  if (!map) return std::nullopt;
  std::size_t longest = 0;
  for (const CollectionReports& collection : map->collections) {
    longest = std::max(longest, InputReportByteLength(collection));
  }
  return longest;
}

std::optional<std::size_t> DownloadInputReportLength(const ReportMap& reports,
                                                     std::size_t outputDataBytes) {
  bool outputFits = false;
  const CollectionReports* inputCollection = nullptr;
  for (const CollectionReports& collection : reports.collections) {
    if (auto out = collection.outputBits.find(kDownloadReportId);
        out != collection.outputBits.end() && out->second / 8 >= outputDataBytes) {
      outputFits = true;
    }
    if (!inputCollection && collection.inputBits.contains(kDownloadReportId)) {
      inputCollection = &collection;
    }
  }
  if (!outputFits || !inputCollection) return std::nullopt;
  return InputReportByteLength(*inputCollection);
}

}  // namespace zentho::device
