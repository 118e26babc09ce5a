// What the window's command line may ask for, and where its settings file lives.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zentho::window {

inline constexpr std::string_view kSettingsFileName = "setup.dat";

inline constexpr std::string_view kStartUsage =
    "usage: ZenthoIAP [--simulate] [--trace FILE]\n"
    "  --simulate          one simulated device instead of the system's HID devices\n"
    "  --trace FILE        record each download's report exchanges to FILE\n"
    "  --help              show this help\n";

// Whether the window opens, and what the command line asked for.
enum class StartAction {
  OpenWindow,
  ShowHelp,    // --help: the usage, and exit 0
  UsageError,  // an unknown or malformed option: why, the usage, and exit 2
};

struct StartOptions {
  StartAction action = StartAction::OpenWindow;
  // For a UsageError: what was wrong ("unknown option --simulate=5").
  std::string problem;
  // --simulate: a simulated device instead of the system's HID interfaces.
  bool simulate = false;
  // --trace FILE (or --trace=FILE): every download's report exchanges recorded to FILE.
  std::optional<std::string> tracePath;
};

// `arguments` as the program got them, its own name first (the toolkit's own options
// already taken out). Anything but the options above is a usage error: a window that
// opened on the real devices after a mistyped --simulate would flash real boards.
StartOptions ParseStartOptions(std::span<const std::string> arguments);

// What to tell instead of opening the window, and the exit code.
struct StartAnswer {
  std::string text;  // the problem and the usage, or the usage alone for --help
  int exitCode = 0;  // 0 for --help, 2 for a usage error
  bool error = false;
};

// Nothing when the window opens.
std::optional<StartAnswer> AnswerInsteadOfWindow(const StartOptions& options);

// The settings file beside the executable at `executable` (Windows keeps it there).
std::filesystem::path SettingsBesideExecutable(const std::filesystem::path& executable);

}  // namespace zentho::window
