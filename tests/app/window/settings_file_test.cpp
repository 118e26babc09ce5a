// setup.dat's bytes read back and written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/window/settings_file.h"
#include "base/durable_file.h"

namespace zentho::window {
namespace {

struct ParseCase {
  const char* name;
  std::string bytes;
  std::optional<std::string> filePath;
};

class ParseSettingsTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseSettingsTest, GivesPathOfLastCrLf) {
  EXPECT_EQ(ParseSettings(GetParam().bytes), GetParam().filePath);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, ParseSettingsTest,
    ::testing::Values(ParseCase{"Path", "C:\\fw\\a.bin\r\n", "C:\\fw\\a.bin"},
                      ParseCase{"CrLfOnly", "\r\n", ""},
                      ParseCase{"TwoLinesJoin", "A\r\nB\r\n", "AB"},
                      ParseCase{"LfOnlyLines", "A\nB\n", std::nullopt},
                      ParseCase{"LoneCrDropsNextByte", std::string("ab\rcd\r\n"), "abd"},
                      ParseCase{"BytesAfterLastCrLfIgnored", "A\r\nBC", "A"},
                      ParseCase{"CrAtEnd", "A\r", std::nullopt},
                      ParseCase{"CrCrLf", "A\r\r\n", std::nullopt},
                      ParseCase{"Empty", "", std::nullopt},
                      ParseCase{"HighBytesKept", "/m\xe9nu/a.bin\r\n", "/m\xe9nu/a.bin"}),
    [](const auto& test) { return std::string(test.param.name); });

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("zentho-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  static std::string Read(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
  }

  std::filesystem::path folder_;
};

TEST_F(SettingsFileTest, WritesPathAndCrLfIntoNewFolder) {
  const std::filesystem::path path = folder_ / "ZenthoIAP" / "setup.dat";
  EXPECT_TRUE(WriteSettingsFile(path, SettingsBytes("C:\\fw\\a.bin")));
  const std::string bytes = Read(path);
  EXPECT_EQ(bytes.size(), 13U);
  EXPECT_EQ(bytes, "C:\\fw\\a.bin\r\n");
  EXPECT_EQ(ReadSettingsFile(path), bytes);
  EXPECT_FALSE(std::filesystem::exists(path.string() + ".tmp"));
}

TEST_F(SettingsFileTest, ReplacesOldContentWhole) {
  const std::filesystem::path path = folder_ / "setup.dat";
  ASSERT_TRUE(WriteSettingsFile(path, SettingsBytes("/a/much/longer/old/path.bin")));
  ASSERT_TRUE(WriteSettingsFile(path, SettingsBytes("")));
  EXPECT_EQ(Read(path), "\r\n");
}

TEST_F(SettingsFileTest, MissingFileReadsAsNothing) {
  EXPECT_EQ(ReadSettingsFile(folder_ / "setup.dat"), std::nullopt);
}

TEST_F(SettingsFileTest, FailedWriteKeepsOldContentAndLeavesNoTemporaryFile) {
  // A folder in the way: the new file cannot be renamed over it. (WriteSettingsFile
  // leaves a folder named setup.dat alone before it gets this far.)
  const std::filesystem::path path = folder_ / "setup.dat";
  std::filesystem::create_directories(path / "inside");
  const OsResult<void> saved = ReplaceFileDurably(path, SettingsBytes("lost"));
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.reason().rfind("rename: ", 0), 0U) << saved.reason();
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"setup.dat"});
  EXPECT_TRUE(std::filesystem::is_directory(path / "inside"));
}

}  // namespace
}  // namespace zentho::window
