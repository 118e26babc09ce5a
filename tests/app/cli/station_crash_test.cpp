// The station's records after the station is killed with SIGKILL in the middle of a run:
// every line that is there is whole.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fcntl.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include "tests/app/cli/cli_harness.h"
#include "tests/support/temp_dir.h"

namespace zentho::testing {
namespace {

using namespace std::chrono_literals;

std::size_t CountLines(const std::string& path) {
  const std::string text = ReadFile(path);
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(StationCrash, EveryRecordLineParsesAfterSigkill) {
  TempDir dir;
  const std::string file = dir.write("fw.bin", PatternBytes(3000));
  // A board every 50 ms for four seconds, on the 1 ms-per-packet timing model: several
  // sessions are always in flight.
  std::string plan;
  for (int i = 0; i < 80; ++i) {
    plan += std::to_string(i * 0.05) + " plug 1-" + std::to_string(i + 1) + " serial=S" +
            std::to_string(i) + "\n";
  }
  const std::string planPath = dir.write("plan.txt", plan);
  const std::string json = dir.file("record.jsonl");
  const std::string csv = dir.file("record.csv");

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    execl(ZENTHO_IAP_PATH, ZENTHO_IAP_PATH, "station", "--mode", "kvm", file.c_str(),
          ("--simulate=plan:" + planPath).c_str(), "--record", json.c_str(), "--record-csv",
          csv.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  // Waits for the run to be well under way; bounded so that a station that records
  // nothing fails the test instead of hanging it.
  for (int i = 0; i < 1500 && CountLines(json) < 8; ++i) std::this_thread::sleep_for(20ms);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));

  const std::string text = ReadFile(json);
  ASSERT_GE(CountLines(json), 8U);
  ASSERT_EQ(text.back(), '\n');
  std::istringstream lines(text);
  std::size_t parsed = 0;
  for (std::string line; std::getline(lines, line); ++parsed) {
    const nlohmann::json record = nlohmann::json::parse(line);  // throws on half a line
    EXPECT_EQ(record["result"], "pass") << line;
    EXPECT_EQ(record["sha256"].get<std::string>().size(), 64U);
  }
  EXPECT_LT(parsed, 80U);  // killed mid-run, not after it

  const std::string rows = ReadFile(csv);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.substr(rows.size() - 2), "\r\n");
  std::istringstream csvLines(rows);
  for (std::string row; std::getline(csvLines, row);) {
    EXPECT_EQ(std::count(row.begin(), row.end(), ','), 18) << row;
  }
}

}  // namespace
}  // namespace zentho::testing
