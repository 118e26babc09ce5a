// The text outputs on their own: line ends, device prefixes, the progress bar's figures.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/cli/progress_bar.h"
#include "app/cli/text_output.h"

namespace zentho::testing {
namespace {

using namespace std::chrono_literals;

TEST(TextOutput, CrLfBecomesLfAndALoneCrStays) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a\r\nb\r\n", "a\nb\n"}, {"\r\n\r\n", "\n\n"}, {"a\rb", "a\rb"}, {"end\r", "end\r"}, {"", ""}};
  for (const auto& [in, out] : cases) EXPECT_EQ(cli::ToLfLineEnds(in), out) << in;
}

TEST(TextOutput, PrefixesEveryLineEvenWhenMessagesSplitLinesOrLineEnds) {
  std::FILE* out = std::tmpfile();
  cli::TextOutput text(out, {.prefixLines = true});
  cli::Target target;
  target.name = "hidraw3";
  text.started(0, target);
  text.logged(0, "\r\nChip Revision : 1\r");  // the CR LF is split between two messages
  text.logged(0, "\nDNLOAD FAIL, ");
  text.logged(0, "block number = 0, left len : 3d0\r\nno line end");
  text.finished(0, {});

  std::string written(256, '\0');
  std::rewind(out);
  written.resize(std::fread(written.data(), 1, written.size(), out));
  std::fclose(out);
  EXPECT_EQ(written,
            "[hidraw3]\n"
            "[hidraw3] Chip Revision : 1\n"
            "[hidraw3] DNLOAD FAIL, block number = 0, left len : 3d0\n"
            "[hidraw3] no line end\n");
}

struct BarCase {
  std::uint64_t done;
  std::uint64_t total;
  Clock::duration elapsed;
  std::size_t running;
  std::size_t devices;
  std::string text;
};

TEST(ProgressBar, ShowsRateAndTimeLeft) {
  const std::vector<BarCase> cases = {
      {0, 3000, 0s, 1, 1, "[........................]   0%  0.0/2.9 KiB  0.0 KiB/s"},
      {1536, 3072, 1s, 1, 1, "[############............]  50%  1.5/3.0 KiB  1.5 KiB/s  ETA 0:01"},
      {3072, 3072, 2s, 0, 1, "[########################] 100%  3.0/3.0 KiB  1.5 KiB/s  in 0:02"},
      {1024, 4096, 1s, 2, 3,
       "[######..................]  25%  1.0/4.0 KiB  1.0 KiB/s  ETA 0:03  2 of 3 running"},
      {60 * 1024, 200 * 1024, 60s, 1, 1,
       "[#######.................]  30%  60.0/200.0 KiB  1.0 KiB/s  ETA 2:20"},
  };
  for (const BarCase& c : cases) {
    EXPECT_EQ(cli::ProgressBar::Render(c.done, c.total, c.elapsed, c.running, c.devices), c.text);
  }
}

}  // namespace
}  // namespace zentho::testing
