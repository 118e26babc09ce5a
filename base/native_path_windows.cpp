// Paths on Windows: 8-bit bytes in the ANSI code page, wide only for std::filesystem.
#include "base/native_path.h"

#include <windows.h>

#include <limits>

namespace zentho {

std::filesystem::path FsPath(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return {};
  }
  const int length = static_cast<int>(bytes.size());
  const int wide = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  std::wstring text(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, text.data(), wide);
  return std::filesystem::path(std::move(text));
}

std::string PathBytes(const std::filesystem::path& path) {
  const std::wstring& text = path.native();
  if (text.empty() || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return {};
  }
  const int length = static_cast<int>(text.size());
  const int narrow = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(narrow), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), length, bytes.data(), narrow, nullptr, nullptr);
  return bytes;
}

}  // namespace zentho
