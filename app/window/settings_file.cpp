// Reading and writing setup.dat.
#include "app/window/settings_file.h"

#include <cstdio>
#include <memory>
#include <system_error>

#include "base/durable_file.h"
#include "base/file_guard.h"
#include "base/native_path.h"

namespace zentho::window {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

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
  // Through the file guard: a FIFO would block the window's start, a device such as
  // /dev/zero would never end, and a folder of that name reads as nothing.
  OsResult<FileHandle> opened = OpenInput(PathBytes(path));
  if (!opened) return std::nullopt;
  FileHandle file = std::move(opened.value());
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
  namespace fs = std::filesystem;
  std::error_code error;
  // A setup.dat that is a link keeps pointing where it pointed: the new file replaces
  // the link's target, in the target's folder, and the link stays. Only a regular file
  // is ever replaced: a link to nothing, or to a device such as /dev/null, and a
  // setup.dat that is itself a folder, a FIFO or a device, are left as they are.
  if (fs::is_symlink(fs::symlink_status(path, error))) {
    if (!fs::exists(fs::status(path, error))) return OsError{"it links to nothing: left as it is"};
    const fs::path target = fs::canonical(path, error);
    if (error) return OsError{"resolve link: " + error.message()};
    if (std::string problem = OutputProblem(PathBytes(target), OutputKind::RegularFile); !problem.empty()) {
      return OsError{"it links to " + PathBytes(target) + ", which " + problem + ": left as it is"};
    }
    return ReplaceFileDurably(target, bytes);
  }
  if (std::string problem = OutputProblem(PathBytes(path), OutputKind::RegularFile); !problem.empty()) {
    return OsError{"it " + problem + ": left as it is"};
  }
  if (path.has_parent_path()) {
    std::filesystem::create_directories(path.parent_path(), error);
    if (error) return OsError{"create folder: " + error.message()};
  }
  return ReplaceFileDurably(path, bytes);
}

}  // namespace zentho::window
