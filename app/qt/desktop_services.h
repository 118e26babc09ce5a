// The window's platform services on a Linux desktop: debug trace to stderr, the local
// clock, and where setup.dat lives.
#pragma once

#include <filesystem>
#include <mutex>

#include "app/window/window_services.h"

namespace zentho::qt {

class StderrTrace final : public window::DebugTrace {
 public:
  void line(std::string_view text) override;

 private:
  std::mutex mutex_;
};

class QtLocalTime final : public window::LocalTimeSource {
 public:
  window::LocalTime now() override;
};

// $XDG_CONFIG_HOME/ZenthoIAP/setup.dat (~/.config/ZenthoIAP/setup.dat by default): the
// folder of an installed executable is not the user's to write.
std::filesystem::path SettingsPath();
// The same from the variable's value (null when unset) and the home folder.
std::filesystem::path SettingsPathFor(const char* xdgConfigHome, const std::filesystem::path& home);

}  // namespace zentho::qt
