// The window's start options and the settings file beside the executable.
#include <gtest/gtest.h>

#include "app/window/start_options.h"

namespace zentho::window {
namespace {

TEST(ParseStartOptions, SimulateAnywhereAfterTheProgramsName) {
  struct Case {
    std::vector<std::string> arguments;
    bool simulate;
  };
  const Case cases[] = {
      {{"ZenthoIAP"}, false},
      {{"ZenthoIAP", "--simulate"}, true},
      {{"ZenthoIAP", "-platform", "offscreen", "--simulate"}, true},
      {{"--simulate"}, false},  // the program's own name, not an option
      {{"ZenthoIAP", "--simulated"}, false},
      {{"ZenthoIAP", "--SIMULATE"}, false},
      {{}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseStartOptions(c.arguments).simulate, c.simulate)
        << (c.arguments.empty() ? std::string() : c.arguments.back());
  }
}

TEST(ParseStartOptions, TraceNamesTheFileAfterIt) {
  struct Case {
    std::vector<std::string> arguments;
    std::optional<std::string> tracePath;
    bool simulate;
  };
  const Case cases[] = {
      {{"ZenthoIAP"}, std::nullopt, false},
      {{"ZenthoIAP", "--trace", "t.txt"}, "t.txt", false},
      {{"ZenthoIAP", "--simulate", "--trace", "dir/run 1.trace"}, "dir/run 1.trace", true},
      {{"ZenthoIAP", "--trace", "C:\\runs\\w.trace", "--simulate"}, "C:\\runs\\w.trace", true},
      // The word after --trace is its file, even one that looks like an option.
      {{"ZenthoIAP", "--trace", "--simulate"}, "--simulate", false},
      {{"ZenthoIAP", "--trace"}, std::nullopt, false},
      {{"--trace", "t.txt"}, std::nullopt, false},
      {{"ZenthoIAP", "--trace=t.txt"}, std::nullopt, false},
  };
  for (const Case& c : cases) {
    const StartOptions options = ParseStartOptions(c.arguments);
    EXPECT_EQ(options.tracePath, c.tracePath) << c.arguments.back();
    EXPECT_EQ(options.simulate, c.simulate) << c.arguments.back();
  }
}

TEST(SettingsBesideExecutable, SameFolderAsTheProgram) {
  const std::filesystem::path folder = std::filesystem::path("tools") / "zentho";
  EXPECT_EQ(SettingsBesideExecutable(folder / "ZenthoIAP.exe"), folder / "setup.dat");
  EXPECT_EQ(SettingsBesideExecutable("ZenthoIAP.exe"), std::filesystem::path("setup.dat"));
}

}  // namespace
}  // namespace zentho::window
