// `zentho-iap report`: the yield of a line from its record files.
#pragma once

#include <string>
#include <vector>

#include "app/cli/verb.h"

namespace zentho::cli {

class ReportVerb final : public Verb {
 public:
  std::string_view name() const override { return "report"; }
  std::string_view help() const override {
    return "Yield per job, slot and hour from station records (text, --json, --html FILE)";
  }
  void options(CLI::App& command) override;
  Outcome run(Environment& environment) override;

 private:
  std::vector<std::string> records_;
  bool json_ = false;
  std::string html_;
};

}  // namespace zentho::cli
