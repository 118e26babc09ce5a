// What the window's command line may ask for, and where its settings file lives.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zentho::window {

inline constexpr std::string_view kSettingsFileName = "setup.dat";

struct StartOptions {
  // --simulate: a simulated device instead of the system's HID interfaces.
  bool simulate = false;
  // --trace FILE: every download's report exchanges recorded to FILE.
  std::optional<std::string> tracePath;
};

// `arguments` as the program got them, its own name first; unknown words are ignored,
// as the window has no command line of its own beyond these.
StartOptions ParseStartOptions(std::span<const std::string> arguments);

// The settings file beside the executable at `executable` (Windows keeps it there).
std::filesystem::path SettingsBesideExecutable(const std::filesystem::path& executable);

}  // namespace zentho::window
