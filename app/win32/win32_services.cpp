// Tones, debug output, local time and the executable's path through the Win32 API.
#include "app/win32/win32_services.h"

#include <windows.h>

#include "base/native_path.h"

#include <string>
#include <vector>

namespace zentho::win32 {

void BeepTones::beep(unsigned frequencyHz, unsigned durationMs) {
  // Beep blocks for the tone's length, so tones in a row sound in turn.
  Beep(frequencyHz, durationMs);
}

void DebugOutputTrace::line(std::string_view text) { OutputDebugStringA(std::string(text).c_str()); }

window::LocalTime SystemLocalTime::now() {
  SYSTEMTIME time{};
  GetLocalTime(&time);
  return {time.wYear, time.wMonth,  time.wDayOfWeek, time.wDay,
          time.wHour, time.wMinute, time.wSecond,    time.wMilliseconds};
}

std::filesystem::path ExecutablePath() {
  // A path longer than the buffer comes back cut short with the full size: grow and retry.
  std::vector<char> buffer(512);
  while (true) {
    const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return FsPath(std::string_view(buffer.data(), length));
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::string ResourceString(unsigned id) {
  // The program's strings are short; a longer one would come back cut at the buffer.
  char buffer[256];
  const int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof buffer);
  return std::string(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
}

IconOrigin CentredIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
  return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

}  // namespace zentho::win32
