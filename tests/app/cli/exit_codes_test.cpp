// The built zentho-iap run as a child process: the exit code of each kind of ending,
// and the plain run that prints the session log.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/temp_dir.h"

namespace zentho::testing {
namespace {

struct ChildResult {
  int code = -1;
  std::string out;
  std::string err;
};

// Arguments must not need quoting (the test's own paths never do).
ChildResult RunZenthoIap(const TempDir& dir, const std::string& arguments) {
  const std::string out = dir.file("stdout");
  const std::string err = dir.file("stderr");
  const std::string command = std::string(ZENTHO_IAP_PATH) + " " + arguments + " >" + out + " 2>" + err;
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
}

TEST(ExitCodes, EachKindOfEndingHasItsCode) {
  TempDir dir;
  const std::string image = dir.write("fw.bin", PatternBytes(3000));
  const std::string empty = dir.write("empty.bin", std::string{});
  const std::string config = dir.write("short.txt", "00 01\n");
  const std::string missing = dir.file("missing.bin");
  const std::string noFolder = dir.file("no/such/folder/out");
  std::string zeros;
  for (int i = 0; i < 256; ++i) zeros += i % 16 == 15 ? "00\n" : "00 ";
  const std::string sealed = dir.write("sealed.txt", zeros);

  const std::vector<std::pair<std::string, int>> cases = {
      {"--help", 0},
      {"download --simulate --mode kvm " + image, 0},
      {"download --simulate=3 --all --mode bootloader " + image, 0},
      {"download --simulate --mode kvm " + empty, 1},
      {"config check " + config, 1},
      {"", 2},
      {"flash " + image, 2},
      {"download " + image, 2},
      {"download --mode nope " + image, 2},
      {"download --mode kvm --vid 12345 " + image, 2},
      {"download --mode kvm --all --device /dev/hidraw0 " + image, 2},
      {"download --mode kvm --simulate=0 " + image, 2},
      {"download --mode kvm --simulate=" + dir.file("t") + " --all " + image, 2},
      {"download --simulate --mode kvm --vid ffff " + image, 3},
      {"download --simulate --mode kvm --device sim:7 " + image, 3},
      {"download --simulate --mode kvm " + missing, 4},
      {"download --simulate --mode config " + missing, 4},
      {"download --simulate --mode kvm " + dir.file(""), 4},
      {"download --simulate=" + missing + " --mode kvm " + image, 4},
      {"download --simulate=" + image + " --mode kvm " + image, 4},
      {"download --simulate --mode kvm --log " + noFolder + " " + image, 4},
      {"download --simulate --mode kvm --trace " + noFolder + " " + image, 4},
      {"config check " + missing, 4},
      {"config build " + config + " -o " + noFolder, 1},
      {"config build " + sealed + " -o " + noFolder, 4},
  };
  for (const auto& [arguments, code] : cases) {
    const ChildResult result = RunZenthoIap(dir, arguments);
    EXPECT_EQ(result.code, code) << "zentho-iap " << arguments << "\n" << result.err;
  }
}

TEST(ExitCodes, PlainSimulatedDownloadPrintsTheSessionLogFromTheJobStartLine) {
  TempDir dir;
  const ChildResult result = RunZenthoIap(dir, "download --simulate --mode kvm " + dir.write("fw.bin", PatternBytes(3000)));
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(result.out,
            "\n--- Start to transmit Runtime firmware to Orvane device ---\n"
            "\nRuntime file is loaded. File size: 3000 bytes.\n"
            "Start Runtime Transferring...\n"
            "Chip Revision : 1\n"
            "--- Runtime firmware is transmitted successfully ---\n\n");
  EXPECT_EQ(result.err, "");  // not a terminal: no progress bar
}

// The version comes from the CMake project, through the generated header.
TEST(ExitCodes, VersionPrintsTheProjectVersionWithoutAVerb) {
  TempDir dir;
  const ChildResult result = RunZenthoIap(dir, "--version");
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(result.out, "zentho-iap " ZENTHO_PROJECT_VERSION "\n");
  EXPECT_EQ(result.err, "");
}

}  // namespace
}  // namespace zentho::testing
