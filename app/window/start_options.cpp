// Start options of the window and the settings file's place beside the program.
#include "app/window/start_options.h"

namespace zentho::window {
namespace {

constexpr std::string_view kTraceEquals = "--trace=";

StartOptions Refused(std::string problem) {
  StartOptions refused;
  refused.action = StartAction::UsageError;
  refused.problem = std::move(problem);
  return refused;
}

}  // namespace

StartOptions ParseStartOptions(std::span<const std::string> arguments) {
  StartOptions options;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    std::optional<std::string> trace;
    if (word == "--help" || word == "-h") {
      options.action = StartAction::ShowHelp;
    } else if (word == "--simulate") {
      options.simulate = true;
    } else if (word == "--trace") {
      if (i + 1 == arguments.size()) return Refused("--trace needs a FILE");
      trace = arguments[++i];
    } else if (word.starts_with(kTraceEquals)) {
      trace = word.substr(kTraceEquals.size());
    } else if (word.starts_with("--simulate=")) {
      return Refused("--simulate takes no value: " + word);
    } else if (word.starts_with("-")) {
      return Refused("unknown option " + word);
    } else {
      return Refused("unexpected argument " + word);
    }
    if (trace) {
      if (trace->empty()) return Refused("--trace needs a FILE");
      if (options.tracePath) return Refused("--trace given twice");
      options.tracePath = std::move(trace);
    }
  }
  return options;
}

std::optional<StartAnswer> AnswerInsteadOfWindow(const StartOptions& options) {
  switch (options.action) {
    case StartAction::OpenWindow:
      return std::nullopt;
    case StartAction::ShowHelp:
      return StartAnswer{std::string(kStartUsage), 0, false};
    case StartAction::UsageError:
      return StartAnswer{"ZenthoIAP: " + options.problem + "\n" + std::string(kStartUsage), 2, true};
  }
  return std::nullopt;
}

std::filesystem::path SettingsBesideExecutable(const std::filesystem::path& executable) {
  return executable.parent_path() / kSettingsFileName;
}

}  // namespace zentho::window
