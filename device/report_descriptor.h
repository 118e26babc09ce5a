// Report lengths from a HID report descriptor, for platforms that don't give them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

namespace zentho::device {

// The bits each report of one top-level collection carries after its ID, by report ID
// (0 when the descriptor declares no report IDs). Sums saturate instead of wrapping.
struct CollectionReports {
  std::map<std::uint32_t, std::uint64_t> inputBits;
  std::map<std::uint32_t, std::uint64_t> outputBits;
};

// Every top-level collection in descriptor order. Main items outside any collection
// count as one more collection of their own, after the others.
struct ReportMap {
  std::vector<CollectionReports> collections;
};

// Nothing when the descriptor is cut short inside an item.
std::optional<ReportMap> ParseReportDescriptor(std::span<const std::uint8_t> descriptor);

// The longest input report in bytes with one byte for the report ID, as Windows'
// HidP_GetCaps gives InputReportByteLength for one collection; 0 when it has no input.
std::size_t InputReportByteLength(const CollectionReports& collection);

// The longest input report of the whole descriptor, as above; nothing when cut short.
std::optional<std::size_t> InputReportByteLength(std::span<const std::uint8_t> descriptor);

// The download interface's input report length: the input length of the top-level
// collection that holds input report 1, when the descriptor also declares output report
// 1 with at least `outputDataBytes` bytes after the ID. Nothing when it declares either
// not (a keyboard or mouse interface of the same device).
std::optional<std::size_t> DownloadInputReportLength(const ReportMap& reports,
                                                     std::size_t outputDataBytes);

}  // namespace zentho::device
