// The `download` verb.
#include "app/cli/download_command.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

#include "app/cli/console_sink.h"
#include "app/cli/exit_codes.h"
#include "device/simulated/simulated_device.h"
#include "transfer/download_session.h"
#include "transfer/session_messages.h"

namespace zentho::cli {
namespace {

const std::map<std::string, int> kModes = {
    {"kvm", kModeKvmSystem}, {"bootloader", kModeBootloader}, {"config", kModeSoftwareConfig}};

}  // namespace

void AddDownloadCommand(CLI::App& app, DownloadOptions& options, int& result) {
  CLI::App* download = app.add_subcommand("download", "Download an image into the device");
  download->add_option("--mode", options.mode, "What to download: kvm, bootloader or config")
      ->required()
      ->check(CLI::IsMember({"kvm", "bootloader", "config"}));
  download->add_option("FILE", options.file, "Firmware image (.bin) or configuration text (.txt)")
      ->required();
  download->add_flag("--simulate", options.simulate, "Use the built-in simulated device");
  download->add_option("--ack-timeout", options.ackTimeoutMs,
                       "Longest wait for one block's acknowledgement, in ms")
      ->check(CLI::Range(1U, 3600000U));
  download->add_option("--log", options.logPath, "Also write the exact log (CR LF) to this file");
  download->add_flag("--debug-trace", options.debugTrace, "Print debug-trace lines on stderr");
  download->add_flag("--quiet,-q", options.quiet, "Print nothing; the exit code tells the result");
  download->callback([&options, &result] { result = RunDownload(options); });
}

int RunDownload(const DownloadOptions& options) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(options.file, error)) {
    std::fprintf(stderr, "zentho-iap: cannot read %s\n", options.file.c_str());
    return kExitFileUnreadable;
  }
  if (!options.simulate) {
    std::fprintf(stderr, "zentho-iap: no device backend yet; use --simulate\n");
    return kExitNoDevice;
  }

  std::unique_ptr<std::FILE, int (*)(std::FILE*)> logFile(nullptr, std::fclose);
  if (!options.logPath.empty()) {
    logFile.reset(std::fopen(options.logPath.c_str(), "wb"));
    if (!logFile) {
      std::fprintf(stderr, "zentho-iap: cannot write %s\n", options.logPath.c_str());
      return kExitFileUnreadable;
    }
  }

  SystemClock clock;
  sim::SimulatedDeviceOptions deviceOptions;
  deviceOptions.timing.perPacket = std::chrono::microseconds{1000};
  deviceOptions.recordTrace = false;
  deviceOptions.keepImages = false;
  sim::SimulatedDevice device(deviceOptions, clock);

  ConsoleSink sink(options.quiet ? nullptr : stdout, logFile.get(), options.debugTrace);
  ConfigImage configImage{};
  DownloadRequest request{kModes.at(options.mode), options.file, {}};
  request.settings.ackTimeout = std::chrono::milliseconds{options.ackTimeoutMs};
  SessionContext context{device, configImage, sink, clock, {}};

  sink.appendLog(msg::kJobStart);
  const int result = RunDownloadSession(request, context);
  if (result != 1) {
    sink.appendLog(msg::kBurnFail);
    return kExitDownloadFailed;
  }
  return kExitSuccess;
}

}  // namespace zentho::cli
