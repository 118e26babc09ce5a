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

void LogFiles::add(OutputFile file, std::string path) {
  logs_.push_back({std::move(file), std::move(path), std::nullopt});
}

void LogFiles::logged(std::size_t device, std::string_view text) {
  if (device >= logs_.size()) return;
  Log& log = logs_[device];
  WriteOutput(log.file.get(), text, log.failure);
}

std::optional<std::string> LogFiles::failure() const {
  for (const Log& log : logs_) {
    if (log.failure) return log.path + ": " + *log.failure;
  }
  return std::nullopt;
}

}  // namespace zentho::cli
