// --help of every verb, compared with docs/cli-help.txt, which the README quotes.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/support/temp_dir.h"

namespace zentho::testing {
namespace {

std::string Capture(const std::string& arguments) {
  std::string output;
  std::FILE* pipe = popen((std::string(ZENTHO_IAP_PATH) + " " + arguments).c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  pclose(pipe);
  return output;
}

// The help of each verb under a "$ zentho-iap ... --help" line, as docs/cli-help.sh
// writes docs/cli-help.txt.
std::string AllHelp() {
  std::string text;
  for (const char* verb : {"", "list ", "download ", "station ", "config ", "config check ", "config build ", "job ", "job create ", "report "}) {
    const std::string arguments = std::string(verb) + "--help";
    text += (text.empty() ? "" : "\n") + std::string("$ zentho-iap ") + arguments + "\n" + Capture(arguments);
  }
  return text;
}

TEST(HelpText, EveryVerbsHelpIsWhatTheDocsSay) {
  EXPECT_EQ(AllHelp(), ReadFile(std::string(ZENTHO_SOURCE_DIR) + "/docs/cli-help.txt"))
      << "if the options changed on purpose, run docs/cli-help.sh and update the README's copy";
}

TEST(HelpText, TheReadmeQuotesTheDocsVerbatim) {
  const std::string readme = ReadFile(std::string(ZENTHO_SOURCE_DIR) + "/README.md");
  if (readme.find("$ zentho-iap --help") == std::string::npos) {
    GTEST_SKIP() << "the README has no command-line reference yet";
  }
  EXPECT_NE(readme.find(ReadFile(std::string(ZENTHO_SOURCE_DIR) + "/docs/cli-help.txt")), std::string::npos);
}

}  // namespace
}  // namespace zentho::testing
