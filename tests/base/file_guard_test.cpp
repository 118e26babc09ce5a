// The file guard on POSIX file kinds: what may be read, what may be written, which two
// names are one file. The front ends' tests show each of them using it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <tuple>

#include "base/file_guard.h"
#include "tests/support/hang_guard.h"
#include "tests/support/temp_dir.h"

namespace zentho {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::WithHangGuard;

struct Kinds {
  TempDir dir;
  std::string regular = dir.write("fw.bin", std::string("firmware"));
  std::string folder = dir.file("folder");
  std::string fifo = dir.file("fifo");
  std::string linkToRegular = dir.file("link-to-fw");
  std::string linkToFifo = dir.file("link-to-fifo");
  std::string hardLink = dir.file("hard-fw");
  std::string dangling = dir.file("dangling");
  std::string missing = dir.file("missing");
  Kinds() {
    fs::create_directory(folder);
    ::mkfifo(fifo.c_str(), 0600);
    fs::create_symlink(regular, linkToRegular);
    fs::create_symlink(fifo, linkToFifo);
    fs::create_hard_link(regular, hardLink);
    fs::create_symlink(missing, dangling);
  }
};

TEST(FileGuard, WhatMayBeReadAndWritten) {
  const Kinds k;
  struct Case {
    std::string path;
    std::string input;   // InputProblem
    std::string output;  // what OpenOutput says, OutputKind::FileOrDevice
    std::string record;  // OutputKind::RegularFile
  };
  const std::string notRegular = "is not a regular file";
  const std::vector<Case> cases = {
      {k.regular, "", "", ""},
      {k.linkToRegular, "", "", ""},
      {k.hardLink, "", "", ""},
      {k.folder, "is a directory", "is a directory", "is a directory"},
      {k.fifo, notRegular, notRegular, notRegular},
      {k.linkToFifo, notRegular, notRegular, notRegular},
      {"/dev/zero", notRegular, "", notRegular},
      {"/dev/null", notRegular, "", notRegular},
      {k.missing, "No such file or directory", "", ""},
  };
  for (const Case& c : cases) {
    const auto [input, output, record] = WithHangGuard([&] {
      std::string in = InputProblem(c.path);  // before an output makes the missing file
      const OsResult<FileHandle> out = OpenOutput(c.path);
      const OsResult<FileHandle> rec = OpenOutput(c.path, OutputKind::RegularFile);
      return std::tuple{in, out.reason(), rec.reason()};
    });
    EXPECT_EQ(input, c.input) << c.path;
    EXPECT_EQ(output, c.output) << c.path;
    EXPECT_EQ(record, c.record) << c.path;
    std::error_code ignored;
    if (c.path == k.missing) fs::remove(k.missing, ignored);
  }
}

TEST(FileGuard, ClashesThroughLinksAndSpellings) {
  const Kinds k;
  const std::string other = k.dir.file("other.log");
  struct Case {
    std::vector<NamedFile> outputs;
    std::optional<std::string> clash;
  };
  const NamedFile fw{"the firmware file", k.regular};
  const std::vector<Case> cases = {
      {{{"--log", k.regular}}, "refusing to write --log " + k.regular + ": it is the same file as the firmware file " + k.regular},
      {{{"--log", k.linkToRegular}}, "refusing to write --log " + k.linkToRegular + ": it is the same file as the firmware file " + k.regular},
      {{{"--log", k.hardLink}}, "refusing to write --log " + k.hardLink + ": it is the same file as the firmware file " + k.regular},
      {{{"--log", k.dangling}, {"--trace", k.missing}},
       "refusing to write --trace " + k.missing + ": it is the same file as --log " + k.dangling},
      {{{"--log", other}, {"--trace", k.dir.file("folder/../other.log")}},
       "refusing to write --trace " + k.dir.file("folder/../other.log") + ": it is the same file as --log " + other},
      {{{"--log", "/dev/null"}, {"--trace", "/dev/null"}}, std::nullopt},
      {{{"--log", other}, {"--trace", k.missing}}, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindFileClash({fw}, c.outputs), c.clash) << c.outputs.back().path;
  }
}

TEST(FileGuard, TextInputsHaveABoundedLineLength) {
  TempDir dir;
  const std::string fits = dir.write("fits", std::string("12345678\n12345678"));
  const std::string tooLong = dir.write("long", std::string("1234\n123456789\n"));
  EXPECT_EQ(ReadTextInput(fits, 8).value(), "12345678\n12345678");
  EXPECT_EQ(ReadTextInput(tooLong, 8).reason(), "line 2 is longer than 8 bytes");
  EXPECT_EQ(ReadTextInput("/dev/zero").reason(), "is not a regular file");
}

}  // namespace
}  // namespace zentho
