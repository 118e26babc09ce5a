// `zentho-iap station`: flash every board that is plugged in, and record each session.
#pragma once

#include <string>
#include <vector>

#include "app/cli/target.h"
#include "app/cli/verb.h"

namespace zentho::cli {

class StationVerb final : public Verb {
 public:
  std::string_view name() const override { return "station"; }
  std::string_view help() const override {
    return "Flash every board plugged in, one session each, and record them";
  }
  void options(CLI::App& command) override;
  Outcome run(Environment& environment) override;

 private:
  struct Options {
    std::string mode;
    std::string file;
    device::HidIds ids{device::kOrvaneVendorId, device::kOrvaneProductId};
    std::string recordPath;
    std::string recordCsvPath;
    unsigned limit = 0;
    unsigned maxParallel = 0;
    unsigned ackTimeoutMs = 5000;
    bool quiet = false;
    std::string simulate;  // "" when not simulating
    std::string job;
    std::string slots;
    std::string stationName;
    std::vector<std::string> history;
    bool reflash = false;
  };
  Options options_;
};

}  // namespace zentho::cli
