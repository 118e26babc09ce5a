// Reading and writing setup.dat.
#include "app/window/settings_file.h"

#include <cstdio>
#include <memory>
#include <system_error>

#include "app/window/durable_file.h"

namespace zentho::window {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

std::optional<std::string> ParseSettings(std::string_view bytes) {
  std::optional<std::string> filePath;
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != kCr) {
      text.push_back(bytes[i]);
      continue;
    }
    // The byte after a CR is consumed whatever it is.
    ++i;
    if (i < bytes.size() && bytes[i] == kLf) filePath = text;
  }
  return filePath;
}

std::string SettingsBytes(std::string_view filePath) {
  std::string bytes(filePath);
  bytes += "\r\n";
  return bytes;
}

std::optional<std::string> ReadSettingsFile(const std::filesystem::path& path) {
  // Looked at before opening: a FIFO would block the window's start, a device such as
  // /dev/zero would never end, and a folder of that name reads as nothing.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  FileHandle file(std::fopen(path.string().c_str(), "rb"));
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) {
    if (bytes.size() + n > kMaxSettingsFileLength) return std::nullopt;
    bytes.append(buffer, n);
  }
  if (std::ferror(file.get())) return std::nullopt;
  return bytes;
}

OsResult<void> WriteSettingsFile(const std::filesystem::path& path, std::string_view bytes) {
  std::error_code error;
  // A setup.dat that is a link keeps pointing where it pointed: the new file replaces
  // the link's target, in the target's folder, and the link stays.
  if (std::filesystem::is_symlink(path, error)) {
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
    if (error) return OsError{"resolve link: " + error.message()};
    return ReplaceFileDurably(target, bytes);
  }
  if (path.has_parent_path()) {
    std::filesystem::create_directories(path.parent_path(), error);
    if (error) return OsError{"create folder: " + error.message()};
  }
  return ReplaceFileDurably(path, bytes);
}

}  // namespace zentho::window
