// Per-device files for --log and --trace.
#include "app/cli/log_files.h"

namespace zentho::cli {

std::string PerDevicePath(const std::string& base, const std::string& name, bool perDevice) {
  if (!perDevice) return base;
  std::string suffix = name;
  for (char& c : suffix) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_';
    if (!plain) c = '-';
  }
  return base + "." + suffix;
}

bool LogFiles::open(const std::string& base, const std::vector<Target>& targets, bool perDevice,
                    std::string& failedPath) {
  for (const Target& target : targets) {
    const std::string path = PerDevicePath(base, target.name, perDevice);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
      failedPath = path;
      return false;
    }
    files_.emplace_back(file);
  }
  return true;
}

void LogFiles::logged(std::size_t device, std::string_view text) {
  if (device >= files_.size()) return;
  std::fwrite(text.data(), 1, text.size(), files_[device].get());
  std::fflush(files_[device].get());
}

}  // namespace zentho::cli
