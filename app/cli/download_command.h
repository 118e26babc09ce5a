// The `download` verb: one download session to a device.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace zentho::cli {

struct DownloadOptions {
  std::string mode = "kvm";
  std::string file;
  bool simulate = false;
  unsigned ackTimeoutMs = 5000;
  std::string logPath;
  bool debugTrace = false;
  bool quiet = false;
};

// Registers the verb on `app`; `result` receives the exit code when it runs.
void AddDownloadCommand(CLI::App& app, DownloadOptions& options, int& result);

int RunDownload(const DownloadOptions& options);

}  // namespace zentho::cli
