// Report lengths from a HID report descriptor, for platforms that don't give them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace zentho::device {

// The longest input report in bytes with one byte for the report ID, as Windows'
// HidP_GetCaps gives InputReportByteLength; 0 when the descriptor declares no input.
// Nothing when the descriptor is cut short.
std::optional<std::size_t> InputReportByteLength(std::span<const std::uint8_t> descriptor);

}  // namespace zentho::device
