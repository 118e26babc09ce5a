// Start options of the window and the settings file's place beside the program.
#include "app/window/start_options.h"

namespace zentho::window {

StartOptions ParseStartOptions(std::span<const std::string> arguments) {
  StartOptions options;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == "--simulate") {
      options.simulate = true;
    } else if (arguments[i] == "--trace" && i + 1 < arguments.size()) {
      options.tracePath = arguments[++i];
    }
  }
  return options;
}

std::filesystem::path SettingsBesideExecutable(const std::filesystem::path& executable) {
  return executable.parent_path() / kSettingsFileName;
}

}  // namespace zentho::window
