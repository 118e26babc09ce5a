// `zentho-iap config check` and `config build`: the configuration text file explained,
// and turned into the 256-byte image the device receives.
#pragma once

#include <string>

#include "app/cli/verb.h"
#include "app/cli/config_check.h"

namespace zentho::cli {

class ConfigCheckVerb final : public Verb {
 public:
  std::string_view group() const override { return "config"; }
  std::string_view groupHelp() const override { return "Configuration text files"; }
  std::string_view name() const override { return "check"; }
  std::string_view help() const override {
    return "Explain a configuration text file: values, where the parse stopped, checksum";
  }
  void options(CLI::App& command) override;
  Outcome run(Environment& environment) override;

 private:
  std::string file_;
  bool json_ = false;
};

class ConfigBuildVerb final : public Verb {
 public:
  std::string_view group() const override { return "config"; }
  std::string_view groupHelp() const override { return "Configuration text files"; }
  std::string_view name() const override { return "build"; }
  std::string_view help() const override { return "Write the 256-byte image of a configuration file"; }
  void options(CLI::App& command) override;
  Outcome run(Environment& environment) override;

 private:
  std::string file_;
  std::string output_;
};

}  // namespace zentho::cli
