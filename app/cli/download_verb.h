// `zentho-iap download`: one download session per device, as the window runs it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/cli/log_files.h"
#include "app/cli/simulation.h"
#include "app/cli/target.h"
#include "device/simulated/trace_recorder.h"
#include "app/cli/verb.h"
#include "transfer/clock.h"

namespace zentho::cli {

class DownloadVerb final : public Verb {
 public:
  std::string_view name() const override { return "download"; }
  std::string_view help() const override { return "Download an image into the device(s)"; }
  void options(CLI::App& command) override;
  Outcome run(Environment& environment) override;

 private:
  struct Options {
    std::string mode;
    std::string file;
    device::HidIds ids{device::kOrvaneVendorId, device::kOrvaneProductId};
    std::string devicePath;
    bool all = false;
    double waitSeconds = 0;
    unsigned ackTimeoutMs = 5000;
    bool json = false;
    bool quiet = false;
    std::string logPath;
    std::string tracePath;
    std::string simulate;  // "" when not simulating
    bool debugTrace = false;
  };

  Outcome findTargets(Environment& environment, const SimulateChoice& simulate,
                      std::vector<Target>& targets);
  Outcome openRecordings(Environment& environment, std::vector<Target>& targets, LogFiles& logFiles);
  Outcome runSessions(Environment& environment, const std::vector<Target>& targets,
                      LogFiles& logFiles);

  Options options_;
  std::shared_ptr<device::HidPlatform> platform_;  // outlives the devices opened on it
  ManualClock replayClock_;                         // a replay runs in virtual time
  std::vector<std::pair<std::string, std::shared_ptr<sim::TraceRecorder>>> traces_;
};

}  // namespace zentho::cli
