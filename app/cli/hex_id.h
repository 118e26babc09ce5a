// Vendor and product IDs as the command line takes them (hex, 0x optional).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <CLI/CLI.hpp>

#include "device/hid_platform.h"

namespace zentho::cli {

// "4A5D", "4a5d" or "0x4a5d": one to four hex digits, nothing else; unlike the window's
// box (ParseSaturatingHexId), anything more or other is refused, not cut short.
std::optional<std::uint16_t> ParseStrictHexId(std::string_view text);

// "4a5d": four lowercase digits, as udev rules and the device link's lines write them.
std::string FormatHexId(std::uint16_t id);
std::string FormatIds(device::HidIds ids);  // "4a5d:7310"

// Adds --vid and --pid (defaults 4A5D and 7310) bound to `ids`.
void AddIdOptions(CLI::App& command, device::HidIds& ids);

}  // namespace zentho::cli
