// What a download sends, as the operator picks it: the window's radio buttons 1034-1036
// (numbered 0-2 in that order) and the command line's --mode names.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace zentho {

// The numbers are the window's radio positions. Any other number can still reach a
// session (a window with no button checked gives -1) and is refused there by name.
enum class DownloadMode : int {
  KvmSystem = 0,
  Bootloader = 1,
  SoftwareConfig = 2,
};

inline constexpr std::array<DownloadMode, 3> kDownloadModes = {
    DownloadMode::KvmSystem, DownloadMode::Bootloader, DownloadMode::SoftwareConfig};

// "kvm", "bootloader" or "config"; empty for a number outside the three.
constexpr std::string_view ModeName(DownloadMode mode) {
  switch (mode) {
    case DownloadMode::KvmSystem: return "kvm";
    case DownloadMode::Bootloader: return "bootloader";
    case DownloadMode::SoftwareConfig: return "config";
  }
  return {};
}

constexpr std::optional<DownloadMode> ParseDownloadMode(std::string_view name) {
  for (DownloadMode mode : kDownloadModes) {
    if (ModeName(mode) == name) return mode;
  }
  return std::nullopt;
}

}  // namespace zentho
