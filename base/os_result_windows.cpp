// The system's words for a Win32 error code: FormatMessageA over its message table.
#include "base/os_result.h"

#include <windows.h>

namespace zentho {

std::string Win32ErrorText(std::uint32_t error) {
  char buffer[512];
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, sizeof buffer, nullptr);
  std::string text(buffer, length);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  if (text.empty()) text = "Unknown error";
  return text + " (error " + std::to_string(error) + ")";
}

std::string LastErrorText() { return Win32ErrorText(GetLastError()); }

}  // namespace zentho
