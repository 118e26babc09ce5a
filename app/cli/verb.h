// One verb of zentho-iap: its name, its help line, its options and what it does.
#pragma once

#include <CLI/CLI.hpp>

#include <string_view>

#include "app/cli/environment.h"
#include "app/cli/exit_codes.h"

namespace zentho::cli {

class Verb {
 public:
  virtual ~Verb() = default;
  // The verb's group on the command line ("config" for `config check`), or empty.
  virtual std::string_view group() const { return {}; }
  // The group's help line, given by its verbs.
  virtual std::string_view groupHelp() const { return {}; }
  virtual std::string_view name() const = 0;
  virtual std::string_view help() const = 0;
  // Registers the verb's options and positionals on its own subcommand.
  virtual void options(CLI::App& command) = 0;
  virtual Outcome run(Environment& environment) = 0;
};

}  // namespace zentho::cli
