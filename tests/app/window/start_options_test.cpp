// The window's start options and the settings file beside the executable.
#include <gtest/gtest.h>

#include "app/window/start_options.h"

namespace zentho::window {
namespace {

TEST(ParseStartOptions, OnlyWhatTheWindowKnowsOpensIt) {
  struct Case {
    std::vector<std::string> arguments;
    StartAction action;
    bool simulate;
    std::optional<std::string> tracePath;
    std::string problem;
  };
  const StartAction open = StartAction::OpenWindow;
  const StartAction refused = StartAction::UsageError;
  const Case cases[] = {
      {{"ZenthoIAP"}, open, false, std::nullopt, ""},
      {{}, open, false, std::nullopt, ""},
      {{"ZenthoIAP", "--simulate"}, open, true, std::nullopt, ""},
      {{"ZenthoIAP", "--trace", "t.txt"}, open, false, "t.txt", ""},
      {{"ZenthoIAP", "--trace=dir/run 1.trace", "--simulate"}, open, true, "dir/run 1.trace", ""},
      {{"ZenthoIAP", "--trace", "C:\\runs\\w.trace", "--simulate"}, open, true, "C:\\runs\\w.trace", ""},
      // The word after --trace is its file, even one that looks like an option.
      {{"ZenthoIAP", "--trace", "--simulate"}, open, false, "--simulate", ""},
      {{"ZenthoIAP", "--help"}, StartAction::ShowHelp, false, std::nullopt, ""},
      {{"ZenthoIAP", "-h", "--simulate"}, StartAction::ShowHelp, true, std::nullopt, ""},
      {{"ZenthoIAP", "--simulate=5"}, refused, false, std::nullopt, "--simulate takes no value: --simulate=5"},
      {{"ZenthoIAP", "--simulated"}, refused, false, std::nullopt, "unknown option --simulated"},
      {{"ZenthoIAP", "--SIMULATE"}, refused, false, std::nullopt, "unknown option --SIMULATE"},
      {{"ZenthoIAP", "-platform", "offscreen"}, refused, false, std::nullopt, "unknown option -platform"},
      {{"ZenthoIAP", "--trace"}, refused, false, std::nullopt, "--trace needs a FILE"},
      {{"ZenthoIAP", "--trace="}, refused, false, std::nullopt, "--trace needs a FILE"},
      {{"ZenthoIAP", "--trace", "a", "--trace=b"}, refused, false, std::nullopt, "--trace given twice"},
      {{"ZenthoIAP", "fw.bin"}, refused, false, std::nullopt, "unexpected argument fw.bin"},
  };
  for (const Case& c : cases) {
    const std::string shown = c.arguments.empty() ? std::string() : c.arguments.back();
    const StartOptions options = ParseStartOptions(c.arguments);
    EXPECT_EQ(options.action, c.action) << shown;
    EXPECT_EQ(options.problem, c.problem) << shown;
    if (c.action == refused) continue;
    EXPECT_EQ(options.simulate, c.simulate) << shown;
    EXPECT_EQ(options.tracePath, c.tracePath) << shown;
  }
}

TEST(AnswerInsteadOfWindow, UsageOnHelpAndProblemWithUsageOnAMistake) {
  EXPECT_EQ(AnswerInsteadOfWindow(ParseStartOptions(std::vector<std::string>{"ZenthoIAP", "--simulate"})),
            std::nullopt);
  const std::optional<StartAnswer> help =
      AnswerInsteadOfWindow(ParseStartOptions(std::vector<std::string>{"ZenthoIAP", "--help"}));
  ASSERT_TRUE(help);
  EXPECT_EQ(help->text, kStartUsage);
  EXPECT_EQ(help->exitCode, 0);
  EXPECT_FALSE(help->error);
  const std::optional<StartAnswer> wrong =
      AnswerInsteadOfWindow(ParseStartOptions(std::vector<std::string>{"ZenthoIAP", "--simulate=5"}));
  ASSERT_TRUE(wrong);
  EXPECT_EQ(wrong->text, "ZenthoIAP: --simulate takes no value: --simulate=5\n" + std::string(kStartUsage));
  EXPECT_EQ(wrong->exitCode, 2);
  EXPECT_TRUE(wrong->error);
}

TEST(SettingsBesideExecutable, SameFolderAsTheProgram) {
  const std::filesystem::path folder = std::filesystem::path("tools") / "zentho";
  EXPECT_EQ(SettingsBesideExecutable(folder / "ZenthoIAP.exe"), folder / "setup.dat");
  EXPECT_EQ(SettingsBesideExecutable("ZenthoIAP.exe"), std::filesystem::path("setup.dat"));
}

}  // namespace
}  // namespace zentho::window
