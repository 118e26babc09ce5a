// Reading and writing setup.dat.
#include "app/window/settings_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

namespace zentho::window {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

std::string ErrnoText(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

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
  FileHandle file(std::fopen(path.string().c_str(), "rb"));
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) {
    bytes.append(buffer, n);
  }
  return bytes;
}

std::optional<std::string> WriteSettingsFile(const std::filesystem::path& path,
                                             std::string_view bytes) {
  std::error_code error;
  if (path.has_parent_path()) {
    std::filesystem::create_directories(path.parent_path(), error);
    if (error) return "create folder: " + error.message();
  }
  std::filesystem::path temporary = path;
  temporary += ".tmp";
  {
    FileHandle file(std::fopen(temporary.string().c_str(), "wb"));
    if (!file) return ErrnoText("create");
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    const bool flushed = std::fflush(file.get()) == 0;
    if (!written || !flushed) {
      const std::string reason = ErrnoText("write");
      file.reset();
      std::filesystem::remove(temporary, error);
      return reason;
    }
  }
  std::filesystem::rename(temporary, path, error);
  if (error) {
    const std::string reason = "rename: " + error.message();
    std::filesystem::remove(temporary, error);
    return reason;
  }
  return std::nullopt;
}

}  // namespace zentho::window
