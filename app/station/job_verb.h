// `zentho-iap job create`: write the job file a station runs with `station --job`.
#pragma once

#include <string>

#include "app/cli/verb.h"
#include "device/hid_platform.h"

namespace zentho::cli {

class JobCreateVerb final : public Verb {
 public:
  std::string_view group() const override { return "job"; }
  std::string_view groupHelp() const override { return "Job files for the production station"; }
  std::string_view name() const override { return "create"; }
  std::string_view help() const override {
    return "Write a job: the image with its SHA-256, target IDs, lot, passes wanted, slot map";
  }
  void options(CLI::App& command) override;
  Outcome run(Environment& environment) override;

 private:
  std::string mode_;
  std::string file_;
  device::HidIds ids_{device::kOrvaneVendorId, device::kOrvaneProductId};
  std::string lot_;
  std::string name_;
  unsigned count_ = 0;
  unsigned quarantineAfter_ = 3;
  std::string slots_;
  std::string output_;
};

}  // namespace zentho::cli
