// config check and config build on the configuration file cases: value count, where
// and why the parse stopped, checksum and seal.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>

#include "tests/app/cli/cli_harness.h"
#include "tests/support/temp_dir.h"

namespace zentho::testing {
namespace {

// `count` lines of `perLine` values (00, 01, ...), joined by `lineEnd`.
std::string ValueLines(int count, int perLine, const std::string& lineEnd = "\n") {
  std::string text;
  for (int line = 0; line < count; ++line) {
    for (int v = 0; v < perLine; ++v) {
      char value[4];
      std::snprintf(value, sizeof value, "%02X", (line * perLine + v) & 0xFF);
      text += (v == 0 ? "" : " ") + std::string(value);
    }
    text += lineEnd;
  }
  return text;
}

struct CheckCase {
  const char* name;
  std::string text;
  unsigned values;
  unsigned line;
  unsigned column;
  std::string reason;
  bool sealed;
};

TEST(ConfigCheck, SaysWhereAndWhyTheParseStopped) {
  const std::string full = ValueLines(16, 16);
  std::string crlfNoFinalBreak = ValueLines(16, 16, "\r\n");
  crlfNoFinalBreak.resize(crlfNoFinalBreak.size() - 2);
  const std::vector<CheckCase> cases = {
      {"16 lines of 16, LF", full, 256, 17, 1, "end of file", true},
      {"16 lines of 16, CR LF, no final break", crlfNoFinalBreak, 256, 16, 48, "end of file", true},
      {"32 lines of 8", ValueLines(32, 8), 256, 33, 1, "end of file", true},
      {"blank line after the 256th value", full + "\n" + ValueLines(1, 4), 256, 17, 1, "a blank line", true},
      {"blank line before", ValueLines(1, 16) + "\n" + ValueLines(15, 16), 16, 2, 1, "a blank line", false},
      {"byte-order mark", "\xEF\xBB\xBF" + full, 0, 1, 1,
       "\"\\xef\\xbb\" where two hexadecimal digits were expected", false},
      {"two spaces", "00  01\n" + full, 1, 1, 4, "\" 0\" where two hexadecimal digits were expected",
       false},
      {"space after the last value", "00 01 \n" + full, 2, 1, 7,
       "the line ends where a value was expected", false},
      {"tab ends the line, not the parse", "00 01\tzz\n" + ValueLines(15, 16) + ValueLines(1, 14), 256, 18, 1,
       "end of file", true},
      {"ABC gives AB", "ABC 01\n" + ValueLines(15, 16) + ValueLines(1, 15), 256, 18, 1, "end of file", true},
      {"17 values on a line", ValueLines(1, 17) + ValueLines(15, 16), 256, 17, 1, "end of file", true},
      {"257 values", full + "00\n", 257, 18, 1, "end of file", false},
      {"comment line", "# settings\n" + full, 0, 1, 1,
       "\"# \" where two hexadecimal digits were expected", false},
      // Text mode on every platform: CR LF is one line end, Ctrl-Z ends the text.
      {"126-character lines, CR LF", ValueLines(16, 16, " " + std::string(78, 'x') + "\r\n"), 256, 17, 1,
       "end of file", true},
      {"blank CR LF line before", ValueLines(1, 16, "\r\n") + "\r\n" + ValueLines(15, 16, "\r\n"), 16, 2, 1,
       "a blank line", false},
      {"Ctrl-Z ends the text", ValueLines(8, 16) + "\x1A" + ValueLines(8, 16), 128, 9, 1, "end of file", false},
      {"NUL byte where a value was expected", std::string("00 \0 01\n", 8) + full, 1, 1, 4,
       "\"\\x00 \" where two hexadecimal digits were expected", false},
  };
  TempDir dir;
  for (const CheckCase& c : cases) {
    CliHarness cli;
    const CliResult result = cli.run({"config", "check", dir.write("c.txt", c.text), "--json"});
    EXPECT_EQ(result.code, c.sealed ? 0 : 1) << c.name;
    const nlohmann::json report = nlohmann::json::parse(result.out);
    EXPECT_EQ(report["values"], c.values) << c.name;
    EXPECT_EQ(report["stopLine"], c.line) << c.name;
    EXPECT_EQ(report["stopColumn"], c.column) << c.name;
    EXPECT_EQ(report["stopReason"], c.reason) << c.name;
    EXPECT_EQ(report["endOfFile"], c.reason == "end of file") << c.name;
    EXPECT_EQ(report["sealed"], c.sealed) << c.name;
  }
}

// Bytes 2-3 = 01 02, the rest 00: checksum 0xFDFE, stored FE FD.
std::string ChecksumExample() {
  std::string text;
  for (int index = 0; index < 256; ++index) {
    text += index == 2 ? "01" : index == 3 ? "02" : "00";
    text += index % 16 == 15 ? "\n" : " ";
  }
  return text;
}

TEST(ConfigCheck, TextReportShowsTheChecksumAsStored) {
  TempDir dir;
  CliHarness cli;
  const CliResult result = cli.run({"config", "check", dir.write("c.txt", ChecksumExample())});
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(result.out,
            "values:   256\n"
            "stopped:  line 17, column 1: end of file\n"
            "checksum: 0xfdfe (bytes 0-1: fe fd)\n"
            "sealed:   yes\n");
}

TEST(ConfigBuild, WritesTheSealedImageAndRefusesAnUnsealedOne) {
  TempDir dir;
  CliHarness cli;
  const std::string out = dir.file("image.bin");
  const CliResult built = cli.run({"config", "build", dir.write("c.txt", ChecksumExample()), "-o", out});
  EXPECT_EQ(built.code, 0) << built.err;
  EXPECT_EQ(built.out, out + ": 256 bytes, checksum 0xfdfe\n");
  std::ifstream in(out, std::ios::binary);
  const std::vector<std::uint8_t> image{std::istreambuf_iterator<char>(in), {}};
  std::vector<std::uint8_t> expected(256, 0);
  expected[0] = 0xFE;
  expected[1] = 0xFD;
  expected[2] = 0x01;
  expected[3] = 0x02;
  EXPECT_EQ(image, expected);

  const std::string unsealedOut = dir.file("unsealed.bin");
  const CliResult refused =
      cli.run({"config", "build", dir.write("short.txt", "00 01\n\n"), "-o", unsealedOut});
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(refused.err, "zentho-iap: " + dir.file("short.txt") +
                             " gives 2 values, not 256 (line 2, column 1: a blank line); nothing written\n");
  EXPECT_FALSE(std::ifstream(unsealedOut).good());
}

}  // namespace
}  // namespace zentho::testing
