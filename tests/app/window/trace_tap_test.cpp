// The window's --trace: what the tap records, and what it does when it cannot.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/window/trace_tap.h"
#include "device/simulated/replay_device.h"
#include "tests/app/window/recording_trace.h"
#include "tests/support/temp_dir.h"

namespace zentho::window {
namespace {

using test::RecordingTrace;

// Takes every output report; has no input report.
class AcceptingChannel final : public ReportChannel {
 public:
  bool setOutputReport(std::span<const std::uint8_t>) override { return true; }
  bool getInputReport(std::span<std::uint8_t>) override { return false; }
  std::optional<std::size_t> inputReportLength() override { return std::nullopt; }
};

TEST(TraceTap, RecordsEachDownloadAfresh) {
  testing::TempDir dir;
  const std::string path = dir.file("window.trace");
  ManualClock clock;
  RecordingTrace trace;
  const ChannelTap tap = TraceTap(path, clock, trace);
  auto device = std::make_shared<AcceptingChannel>();
  const std::string header = std::string(sim::kTraceHeader) + std::string(sim::kTraceColumns);

  for (std::uint8_t first : {std::uint8_t{0x11}, std::uint8_t{0x22}}) {
    std::shared_ptr<ReportChannel> channel = tap(device);
    ASSERT_NE(channel, device);
    const std::uint8_t report[] = {first, 0xA0};
    EXPECT_TRUE(channel->setOutputReport(report));
    channel.reset();  // the download's end closes the file
    const sim::TraceEntry entry{sim::TraceKind::Output, true, 2, {first, 0xA0}, {}};
    EXPECT_EQ(testing::ReadFile(path), header + sim::FormatTraceLine(entry));
  }
  EXPECT_TRUE(trace.lines().empty());
}

TEST(TraceTap, UnwritableFileLeavesTheChannelAndSaysWhy) {
  testing::TempDir dir;
  const std::string path = dir.file("no/such/folder/window.trace");
  ManualClock clock;
  RecordingTrace trace;
  auto device = std::make_shared<AcceptingChannel>();
  EXPECT_EQ(TraceTap(path, clock, trace)(device), device);
  EXPECT_EQ(trace.lines(), std::vector<std::string>{"Cannot record the report trace to " + path +
                                                    ": No such file or directory\n"});
}

}  // namespace
}  // namespace zentho::window
