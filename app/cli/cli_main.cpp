// Verb registration, parsing and the exit code of zentho-iap.
#include "app/cli/cli_main.h"

#include <map>
#include <memory>
#include <sstream>
#include <string_view>
#include <vector>

#include "app/cli/config_verbs.h"
#include "app/cli/download_verb.h"
#include "app/cli/json_output.h"
#include "app/cli/list_verb.h"
#include "app/cli/reporter.h"
#include "app/station/job_verb.h"
#include "app/station/report_verb.h"
#include "app/station/station_verb.h"

namespace zentho::cli {
namespace {

constexpr const char* kFooter =
    "Exit codes:\n"
    "  0  success (every device passed)\n"
    "  1  a download failed on at least one device; config: the image would not be sealed\n"
    "  2  usage error\n"
    "  3  no device found; station: no board passed (none came, or all were taken out)\n"
    "  4  a file cannot be read (or an output file cannot be written)";
constexpr const char* kVerbFooter =
    "Exit codes: 0 success, 1 download failed, 2 usage error, 3 no device found,\n"
    "4 file cannot be read (zentho-iap --help tells more).";

void Write(std::FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

// The options were not parsed, so --json is looked for among the words themselves.
bool AskedForJson(int argc, const char* const* argv) {
  for (int i = 1; i < argc && std::string_view(argv[i]) != "--"; ++i) {
    if (std::string_view(argv[i]) == "--json") return true;
  }
  return false;
}

// CLI11 takes "" for a value; no option of zentho-iap has a meaning for it.
const CLI::Validator kNotEmpty(
    [](const std::string& value) { return value.empty() ? std::string("an empty value") : std::string(); },
    "", "not empty");

// Every option of `command` that takes a value, its positional words included.
void RefuseEmptyValues(CLI::App& command) {
  for (CLI::Option* option : command.get_options()) {
    if (option->get_type_size_min() > 0 && option->get_items_expected_min() > 0) {
      option->check(kNotEmpty);
    }
  }
}

}  // namespace

int ExitCode(Outcome outcome) {
  switch (outcome) {
    case Outcome::Success: return kExitSuccess;
    case Outcome::DownloadFailed: return kExitDownloadFailed;
    case Outcome::UsageError: return kExitUsage;
    case Outcome::NoDevice: return kExitNoDevice;
    case Outcome::FileUnreadable: return kExitFileUnreadable;
  }
  return kExitUsage;
}

int RunCli(int argc, const char* const* argv, Environment& environment) {
  CLI::App app{"Download firmware into Orvane USB HID devices.", "zentho-iap"};
  app.require_subcommand(1);
  app.set_version_flag("--version", ToolVersion(),
                       "Print the version and exit");

  std::vector<std::unique_ptr<Verb>> verbs;
  verbs.push_back(std::make_unique<ListVerb>());
  verbs.push_back(std::make_unique<DownloadVerb>());
  verbs.push_back(std::make_unique<StationVerb>());
  verbs.push_back(std::make_unique<ConfigCheckVerb>());
  verbs.push_back(std::make_unique<ConfigBuildVerb>());
  verbs.push_back(std::make_unique<JobCreateVerb>());
  verbs.push_back(std::make_unique<ReportVerb>());

  std::map<std::string, CLI::App*, std::less<>> groups;
  std::vector<std::pair<CLI::App*, Verb*>> commands;
  for (const auto& verb : verbs) {
    CLI::App* parent = &app;
    if (!verb->group().empty()) {
      auto [it, added] = groups.try_emplace(std::string(verb->group()), nullptr);
      if (added) {
        it->second = app.add_subcommand(it->first, std::string(verb->groupHelp()));
        it->second->require_subcommand(1);
      }
      parent = it->second;
    }
    CLI::App* command = parent->add_subcommand(std::string(verb->name()), std::string(verb->help()));
    verb->options(*command);
    RefuseEmptyValues(*command);
    command->footer(kVerbFooter);
    commands.emplace_back(command, verb.get());
  }
  // Set last: subcommands take their parent's footer when they are made.
  app.footer(kFooter);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = app.exit(error, out, err);
    Write(environment.out, out.str());
    Write(environment.err, err.str());
    if (code == 0) return ExitCode(Outcome::Success);
    if (AskedForJson(argc, argv)) WriteJsonError(environment.out, "usage", error.what());
    return ExitCode(Outcome::UsageError);
  }
  for (const auto& [command, verb] : commands) {
    if (command->parsed()) return ExitCode(verb->run(environment));
  }
  return ExitCode(Outcome::UsageError);
}

}  // namespace zentho::cli
