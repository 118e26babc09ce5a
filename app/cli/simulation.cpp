// The simulated devices behind --simulate.
#include "app/cli/simulation.h"

#include <cerrno>
#include <istream>

#include "base/file_guard.h"
#include "device/simulated/replay_device.h"
#include "base/os_result.h"

namespace zentho::cli {
namespace {

// What CLI11 stores for a flag given without "=VALUE".
constexpr std::string_view kFlagAlone = "true";

bool AllDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

SimulateChoice ParseSimulate(const std::string& value) {
  if (value.empty()) return {};
  if (value == kFlagAlone) return {1, {}};
  if (AllDigits(value)) return {static_cast<unsigned>(std::stoul(value)), {}};
  return {0, value};
}

CLI::Validator SimulateValidator() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        if (value == kFlagAlone || !AllDigits(value)) return {};
        if (value.size() > 3 || std::stoul(value) == 0 || std::stoul(value) > kMaxSimulatedDevices) {
          return "simulated devices: 1 to " + std::to_string(kMaxSimulatedDevices);
        }
        return {};
      },
      "N|TRACE");
}

CLI::Validator SimulateCountValidator() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        if (value == kFlagAlone) return {};
        if (!AllDigits(value) || value.size() > 3 || std::stoul(value) == 0 ||
            std::stoul(value) > kMaxSimulatedDevices) {
          return "simulated devices: 1 to " + std::to_string(kMaxSimulatedDevices);
        }
        return {};
      },
      "N");
}

std::optional<Target> ReplayTarget(const std::string& path, device::HidIds ids, Clock& clock,
                                   std::string& error) {
  // Opened through the guard and read as a stream: the trace reader bounds its lines
  // itself, and a trace of a large image is larger than a text input may be.
  OsResult<FileHandle> file = OpenInput(path);
  if (!file) {
    error = "cannot read the trace " + path + ": " + file.reason();
    return std::nullopt;
  }
  InputStreamBuffer buffer(std::move(*file));
  std::istream in(&buffer);
  std::string parseError;
  std::optional<std::vector<sim::TraceEntry>> entries = sim::ReadTrace(in, parseError);
  if (buffer.failed()) {
    error = "cannot read the trace " + path + ": " + ErrnoText(errno);
    return std::nullopt;
  }
  if (entries && entries->empty()) parseError = "it holds no exchanges";
  if (!entries || entries->empty()) {
    error = path + " is not a report trace: " + parseError;
    return std::nullopt;
  }
  auto replay = std::make_shared<sim::ReplayDevice>(std::move(*entries), clock);
  Target target;
  target.path = "replay:" + path;
  target.name = "replay";
  target.ids = ids;
  target.channel = replay;
  target.clock = &clock;
  target.diagnostic = [replay]() -> std::optional<std::string> {
    std::string divergence = replay->divergence();
    if (divergence.empty()) return std::nullopt;
    return "the replay left its recording at " + divergence;
  };
  return target;
}

}  // namespace zentho::cli
