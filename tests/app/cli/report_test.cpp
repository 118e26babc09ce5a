// `zentho-iap report` over the records of two stations and two days, and its HTML page
// rendered by a real browser.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/app/cli/cli_harness.h"
#include "tests/support/temp_dir.h"

namespace zentho::testing {
namespace {

std::string Line(const std::string& start, const std::string& station, const std::string& slot,
                 const std::string& serial, const std::string& result, const std::string& failure) {
  return "{\"start\":\"" + start + "\",\"port\":\"1-1\",\"serial\":\"" + serial + "\",\"sha256\":\"" +
         std::string(64, 'c') + "\",\"result\":\"" + result + "\",\"failure\":" +
         (failure.empty() ? "null" : "\"" + failure + "\"") + ",\"job\":\"J1\",\"lot\":\"WO-7\",\"station\":\"" +
         station + "\",\"slot\":\"" + slot + "\"}\n";
}

// Two stations: bench-1 on two days with a slot (B2) failing every board, bench-2 as CSV.
struct Records {
  TempDir dir;
  std::string day1 = dir.write(
      "bench-1-day1.jsonl",
      Line("2026-12-08T09:10:00.000Z", "bench-1", "B1", "S1", "pass", "") +
          Line("2026-12-08T09:20:00.000Z", "bench-1", "B2", "S2", "fail", "Download failed at GET_STATUS") +
          Line("2026-12-08T10:05:00.000Z", "bench-1", "B2", "S3", "fail", "Download failed at GET_STATUS") +
          Line("2026-12-08T10:06:00.000Z", "bench-1", "B1", "S4", "unplugged", "taken out") +
          Line("2026-12-08T10:07:00.000Z", "bench-1", "B1", "S5", "held", "already flashed"));
  std::string day2 = dir.write(
      "bench-1-day2.jsonl",
      Line("2026-12-09T09:00:00.000Z", "bench-1", "B2", "S6", "fail", "Chip Revision wrong!!") +
          Line("2026-12-09T09:01:00.000Z", "bench-1", "B2", "", "quarantined", "last 3 sessions failed") +
          Line("2026-12-09T09:30:00.000Z", "bench-1", "B1", "S1", "pass", ""));
  std::string csv = dir.write(
      "bench-2.csv",
      "start,end,port,serial,device,vid,pid,mode,file,size,sha256,result,failure,seconds,tool,job,lot,station,slot\r\n"
      "2026-12-09T09:15:00.000Z,x,1-1,S7,sim:0,4a5d,7310,kvm,fw.bin,3000," + std::string(64, 'c') +
          ",pass,,0.1,t,J1,WO-7,bench-2,C1\r\n"
          "2026-12-09T09:16:00.000Z,x,1-2,S8,sim:1,4a5d,7310,kvm,fw.bin,3000," + std::string(64, 'c') +
          ",pass,,0.1,t,J1,WO-7,bench-2,C2\r\n");
};

TEST(ReportVerb, YieldsOverThreeRecordsOfTwoStations) {
  Records records;
  CliHarness cli;
  const CliResult text = cli.run({"report", records.day1, records.day2, records.csv});
  EXPECT_EQ(text.code, 0) << text.err;
  EXPECT_EQ(text.out,
            "7 sessions: 4 passed, 3 failed, yield 57.1 %\n\n"
            "job / lot  passed  failed  yield\n"
            "J1 / WO-7  4       3       57.1 %\n\n"
            "station slot  passed  failed  yield\n"
            "bench-1 B1    2       0       100.0 %\n"
            "bench-1 B2    0       3       0.0 %\n"
            "bench-2 C1    1       0       100.0 %\n"
            "bench-2 C2    1       0       100.0 %\n\n"
            "hour (UTC)        passed  failed  yield\n"
            "2026-12-08 09:00  1       1       50.0 %\n"
            "2026-12-08 10:00  0       1       0.0 %\n"
            "2026-12-09 09:00  3       1       75.0 %\n\n"
            "failures\n"
            "2       Download failed at GET_STATUS\n"
            "1       Chip Revision wrong!!\n\n"
            "boards that passed more than once\n"
            "2       S1\n");
  const CliResult json = cli.run({"report", "--json", records.day1, records.day2, records.csv});
  EXPECT_EQ(json.code, 0);
  EXPECT_NE(json.out.find("\"slots\":[{\"name\":\"bench-1 B1\",\"passed\":2,\"failed\":0,\"yield\":1.0},"
                          "{\"name\":\"bench-1 B2\",\"passed\":0,\"failed\":3,\"yield\":0.0},"),
            std::string::npos)
      << json.out;
  EXPECT_EQ(json.out.substr(0, 67), "{\"total\":{\"name\":\"all\",\"passed\":4,\"failed\":3,\"yield\":0.571},\"jobs\":");
}

// A file glob that takes in both the JSON and the CSV record of one station.
TEST(ReportVerb, ASessionInTwoRecordsCountsOnce) {
  Records records;
  const std::string json =
      records.dir.write("bench-2.jsonl", Line("2026-12-09T09:15:00.000Z", "bench-2", "C1", "S7", "pass", ""));
  const CliResult text = CliHarness().run({"report", records.csv, json});
  EXPECT_EQ(text.code, 0) << text.err;
  EXPECT_EQ(text.out,
            "2 sessions: 2 passed, 0 failed, yield 100.0 %\n"
            "1 line repeats a session already read (one session in two records): counted once\n\n"
            "job / lot  passed  failed  yield\n"
            "J1 / WO-7  2       0       100.0 %\n\n"
            "station slot  passed  failed  yield\n"
            "bench-2 C1    1       0       100.0 %\n"
            "bench-2 C2    1       0       100.0 %\n\n"
            "hour (UTC)        passed  failed  yield\n"
            "2026-12-09 09:00  2       0       100.0 %\n\n"
            "failures\n"
            "none\n\n"
            "boards that passed more than once\n"
            "none\n");
}

TEST(ReportVerb, TheHtmlPageRendersInChromium) {
  if (std::system("command -v chromium >/dev/null 2>&1") != 0) {
    if (std::getenv("ZENTHO_REQUIRE_CHROMIUM") != nullptr) FAIL() << "chromium is required and missing";
    GTEST_SKIP() << "chromium is not installed (apt-get install chromium; scripts/setup-deps.sh does)";
  }
  Records records;
  CliHarness cli;
  const std::string page = records.dir.file("report.html");
  ASSERT_EQ(cli.run({"report", "--html", page, records.day1, records.day2, records.csv}).code, 0);
  const std::string html = ReadFile(page);
  // Self-contained: nothing to fetch.
  EXPECT_EQ(html.find("http://"), html.find("http://www.w3.org/2000/svg"));
  EXPECT_EQ(html.find("https://"), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  // The DOM after Chromium has loaded and laid out the page.
  const std::string dom = records.dir.file("dom.html");
  const std::string command = "chromium --headless --no-sandbox --disable-gpu --user-data-dir=" +
                              records.dir.file("profile") + " --dump-dom file://" + page + " >" + dom +
                              " 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string rendered = ReadFile(dom);
  EXPECT_NE(rendered.find("<p id=\"total\">7 sessions: 4 passed, 3 failed, yield 57.1 %</p>"), std::string::npos)
      << rendered.substr(0, 400);
  EXPECT_NE(rendered.find("aria-label=\"Yield per hour (UTC)\""), std::string::npos);
  EXPECT_NE(rendered.find("<title>bench-1 B2: 3</title>"), std::string::npos);
}

}  // namespace
}  // namespace zentho::testing
