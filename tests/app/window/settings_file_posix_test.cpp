// setup.dat where POSIX file kinds matter: links, FIFOs, devices.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/window/settings_file.h"
#include "tests/support/temp_dir.h"

namespace zentho::window {
namespace {

class SettingsFilePosixTest : public ::testing::Test {
 protected:
  static std::string Read(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
  }

  testing::TempDir dir;
  std::filesystem::path folder_ = dir.file("");
};

TEST_F(SettingsFilePosixTest, PlantedLinkAtTheOldTemporaryNameIsNeverWrittenThrough) {
  std::filesystem::create_directories(folder_);
  const std::filesystem::path victim = folder_ / "victim";
  std::ofstream(victim, std::ios::binary) << "precious";
  std::filesystem::create_symlink(victim, folder_ / "setup.dat.tmp");
  const std::filesystem::path path = folder_ / "setup.dat";
  EXPECT_TRUE(WriteSettingsFile(path, SettingsBytes("/fw/a.bin")));
  EXPECT_EQ(Read(victim), "precious");
  EXPECT_EQ(Read(path), "/fw/a.bin\r\n");
}

TEST_F(SettingsFilePosixTest, LinkedSetupDatKeepsItsLinkAndItsTargetGetsTheNewPath) {
  const std::filesystem::path elsewhere = folder_ / "shared" / "setup.dat";
  ASSERT_TRUE(WriteSettingsFile(elsewhere, SettingsBytes("old")));
  const std::filesystem::path path = folder_ / "config" / "setup.dat";
  std::filesystem::create_directories(path.parent_path());
  std::filesystem::create_symlink(elsewhere, path);
  EXPECT_TRUE(WriteSettingsFile(path, SettingsBytes("new")));
  EXPECT_TRUE(std::filesystem::is_symlink(path));
  EXPECT_EQ(Read(elsewhere), "new\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(path.parent_path()),
                          std::filesystem::directory_iterator()),
            1);
}

// A closing window never replaces what is not a regular file: a device node that
// setup.dat links to (as root, a link to /dev/null would otherwise replace /dev/null), a
// link to nothing, a FIFO or a folder in its place. Each is left as it was, with the
// reason for the debug trace.
TEST_F(SettingsFilePosixTest, WhatIsNotARegularFileIsLeftAsItIs) {
  std::filesystem::create_directories(folder_);
  const std::filesystem::path node = folder_ / "null-node";
  // A character device of our own (1,3 is the null device), so that a regression could
  // replace only it; without the right to make one, the row is skipped.
  const bool haveNode = ::mknod(node.c_str(), S_IFCHR | 0600, ::makedev(1, 3)) == 0;
  const std::filesystem::path fifo = folder_ / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::string name;
    std::filesystem::path links;  // what setup.dat links to; empty: setup.dat is `itself`
    std::filesystem::path itself;
    std::string reason;
  };
  std::vector<Case> cases = {
      {"link to nothing", folder_ / "nowhere", {}, "it links to nothing: left as it is"},
      {"link to a FIFO", fifo, {}, "it links to " + fifo.string() + ", which is not a regular file: left as it is"},
      {"a FIFO", {}, fifo, "it is not a regular file: left as it is"},
      {"a folder", {}, folder_ / "sub", "it is a directory: left as it is"},
  };
  if (haveNode) {
    cases.push_back({"link to a device node", node, {},
                     "it links to " + node.string() + ", which is not a regular file: left as it is"});
  }
  std::filesystem::create_directory(folder_ / "sub");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::path path = c.itself;
    if (!c.links.empty()) {
      path = folder_ / "setup.dat";
      std::filesystem::remove(path);
      std::filesystem::create_symlink(c.links, path);
    }
    const OsResult<void> written = WriteSettingsFile(path, SettingsBytes("/fw/a.bin"));
    EXPECT_FALSE(written);
    EXPECT_EQ(written.reason(), c.reason);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "nowhere"));
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    if (haveNode) {
      EXPECT_TRUE(std::filesystem::is_character_file(node));
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder_ / "sub"));
  }
}

TEST_F(SettingsFilePosixTest, WhatIsNotARegularFileOfModestSizeReadsAsNothing) {
  std::filesystem::create_directories(folder_);
  const std::filesystem::path fifo = folder_ / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::filesystem::path zeroLink = folder_ / "zero";
  std::filesystem::create_symlink("/dev/zero", zeroLink);
  const std::filesystem::path dangling = folder_ / "dangling";
  std::filesystem::create_symlink(folder_ / "nowhere", dangling);
  const std::filesystem::path big = folder_ / "big";
  std::ofstream(big, std::ios::binary) << std::string(kMaxSettingsFileLength, 'a') << "\r\n";
  const std::filesystem::path atLimit = folder_ / "at-limit";
  std::ofstream(atLimit, std::ios::binary) << std::string(kMaxSettingsFileLength - 2, 'a') << "\r\n";

  for (const std::filesystem::path& path : {folder_, fifo, zeroLink, dangling, big}) {
    EXPECT_EQ(ReadSettingsFile(path), std::nullopt) << path;
  }
  EXPECT_EQ(ReadSettingsFile(atLimit)->size(), kMaxSettingsFileLength);
}

}  // namespace
}  // namespace zentho::window
