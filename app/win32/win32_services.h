// The window's platform services on Windows: Beep, OutputDebugStringA, GetLocalTime,
// and where setup.dat lives.
#pragma once

#include <filesystem>
#include <string>

#include "app/window/window_services.h"

namespace zentho::win32 {

class BeepTones final : public window::TonePlayer {
 public:
  void beep(unsigned frequencyHz, unsigned durationMs) override;
};

class DebugOutputTrace final : public window::DebugTrace {
 public:
  void line(std::string_view text) override;
};

class SystemLocalTime final : public window::LocalTimeSource {
 public:
  window::LocalTime now() override;
};

// The running executable's full path (GetModuleFileNameA, any length).
std::filesystem::path ExecutablePath();

// String `id` of the program's string table (LoadStringA); empty when there is none.
std::string ResourceString(unsigned id);

// The icon's top-left corner that centres it in a minimised window's client area:
// each (client - icon + 1) / 2, truncated toward zero.
struct IconOrigin {
  int x;
  int y;
  friend bool operator==(const IconOrigin&, const IconOrigin&) = default;
};
IconOrigin CentredIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight);

}  // namespace zentho::win32
