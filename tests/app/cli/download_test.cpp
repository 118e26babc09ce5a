// The download verb in-process: text and exact logs, JSON events, --all with a failing
// device, and the hot-plug wait.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <map>
#include <sstream>

#include "tests/app/cli/cli_harness.h"
#include "tests/support/temp_dir.h"
#include "transfer/session_messages.h"

namespace zentho::testing {
namespace {

using namespace std::chrono_literals;

// The log of a healthy 3000-byte download, as the window shows it.
const std::string kPassLog = std::string(msg::kJobStart) +
                             "\r\nRuntime file is loaded. File size: 3000 bytes.\r\n"
                             "Start Runtime Transferring...\r\n"
                             "Chip Revision : 1\r\n"
                             "--- Runtime firmware is transmitted successfully ---\r\n\r\n";

// Block 2 of 3 refused with state 8.
const std::string kFailAtBlock2Log = std::string(msg::kJobStart) +
                                     "\r\nRuntime file is loaded. File size: 3000 bytes.\r\n"
                                     "Start Runtime Transferring...\r\n"
                                     "Chip Revision : 1\r\n"
                                     "Download failed at GET_STATUS\r\n" +
                                     std::string(msg::kBurnFail);

std::string WithLf(std::string text) {
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  return text;
}

sim::FaultPlan RefuseBlock2() {
  sim::FaultPlan plan;
  plan.faults.push_back({.phase = sim::Phase::Transfer, .at = 2,
                         .kind = sim::FaultKind::ReportState, .value = 8});
  return plan;
}

class DownloadTest : public ::testing::Test {
 protected:
  TempDir dir;
  const std::vector<std::uint8_t> image = PatternBytes(3000);
  const std::string file = dir.write("fw.bin", image);
  CliHarness cli;
};

TEST_F(DownloadTest, PrintsTheSessionLogWithLfLineEndsAndKeepsCrLfInTheLogFile) {
  const std::string log = dir.file("run.log");
  const CliResult result = cli.run({"download", "--simulate", "--mode", "kvm", file, "--log", log});

  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(result.out, WithLf(kPassLog));
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(ReadFile(log), kPassLog);
  ASSERT_EQ(cli.simulated.size(), 1U);
  EXPECT_EQ(cli.simulated[0]->image(ImageType::KvmSystem)->bytes, image);
}

TEST_F(DownloadTest, JsonEventsFollowTheSessionOneByOne) {
  const CliResult result = cli.run({"download", "--simulate", "--mode", "kvm", file, "--json"});
  ASSERT_EQ(result.code, 0) << result.err;

  const std::vector<std::string> lines = Lines(result.out);
  std::vector<nlohmann::json> events;
  for (const std::string& line : lines) events.push_back(nlohmann::json::parse(line));
  const nlohmann::json expected = nlohmann::json::parse(R"([
    {"event":"start","device":"sim:0","vid":"4a5d","pid":"7310","mode":"kvm","file":)" + nlohmann::json(file).dump() + R"(},
    {"event":"log","device":"sim:0","text":"\r\n--- Start to transmit Runtime firmware to Orvane device ---\r\n"},
    {"event":"log","device":"sim:0","text":"\r\nRuntime file is loaded. File size: 3000 bytes.\r\n"},
    {"event":"progress","device":"sim:0","bytes":0,"total":3000},
    {"event":"log","device":"sim:0","text":"Start Runtime Transferring...\r\n"},
    {"event":"log","device":"sim:0","text":"Chip Revision : 1\r\n"},
    {"event":"progress","device":"sim:0","bytes":1000,"total":3000},
    {"event":"progress","device":"sim:0","bytes":2000,"total":3000},
    {"event":"progress","device":"sim:0","bytes":3000,"total":3000},
    {"event":"progress","device":"sim:0","bytes":3000,"total":3000},
    {"event":"log","device":"sim:0","text":"--- Runtime firmware is transmitted successfully ---\r\n\r\n"},
    {"event":"result","device":"sim:0","ok":true,"bytes":3000,"total":3000,"seconds":0.0},
    {"event":"summary","devices":1,"passed":1,"failed":0}
  ])");
  ASSERT_EQ(events.size(), expected.size()) << result.out;
  for (std::size_t i = 0; i < events.size(); ++i) EXPECT_EQ(events[i], expected[i]) << "event " << i;
}

class DownloadAllTest : public DownloadTest {
 protected:
  void SetUp() override {
    for (int i = 0; i < 3; ++i) devices.push_back(cli.plug(*cli.systemBus, i == 1 ? RefuseBlock2() : sim::FaultPlan{}));
  }
  std::vector<std::shared_ptr<sim::SimulatedDevice>> devices;
};

TEST_F(DownloadAllTest, EachDeviceHasItsOwnPrefixedLogAndResult) {
  const std::string log = dir.file("run.log");
  const CliResult result = cli.run({"download", "--all", "--mode", "kvm", file, "--log", log});
  EXPECT_EQ(result.code, 1);

  // The sessions run at once, so only each device's own lines keep their order.
  std::map<std::string, std::string> perDevice;
  std::string summary;
  for (const std::string& line : Lines(result.out)) {
    if (line.rfind("[sim:", 0) == 0) {
      const std::string name = line.substr(1, 5);
      perDevice[name] += line.size() > 7 ? line.substr(8) + "\n" : "\n";
    } else {
      summary += line + "\n";
    }
  }
  EXPECT_EQ(perDevice["sim:0"], WithLf(kPassLog));
  EXPECT_EQ(perDevice["sim:1"], WithLf(kFailAtBlock2Log));
  EXPECT_EQ(perDevice["sim:2"], WithLf(kPassLog));
  EXPECT_EQ(summary,
            "\n"
            "device  result  bytes      seconds\n"
            "sim:0   pass    3000/3000  0.0\n"
            "sim:1   FAIL    2000/3000  0.0\n"
            "sim:2   pass    3000/3000  0.0\n"
            "3 devices: 2 passed, 1 failed\n");

  EXPECT_EQ(ReadFile(log + ".sim-0"), kPassLog);
  EXPECT_EQ(ReadFile(log + ".sim-1"), kFailAtBlock2Log);
  EXPECT_EQ(ReadFile(log + ".sim-2"), kPassLog);
  EXPECT_EQ(devices[0]->image(ImageType::KvmSystem)->bytes, image);
  EXPECT_FALSE(devices[1]->image(ImageType::KvmSystem)->complete);
  EXPECT_EQ(devices[2]->image(ImageType::KvmSystem)->bytes, image);
}

TEST_F(DownloadAllTest, JsonGivesAResultPerDeviceAndASummary) {
  const CliResult result = cli.run({"download", "--all", "--mode", "kvm", file, "--json"});
  EXPECT_EQ(result.code, 1);

  std::map<std::string, nlohmann::json> results;
  std::map<std::string, std::string> logs;
  nlohmann::json summary;
  for (const std::string& line : Lines(result.out)) {
    const nlohmann::json event = nlohmann::json::parse(line);
    if (event["event"] == "result") results[event["device"]] = event;
    if (event["event"] == "log") logs[event["device"]] += event["text"].get<std::string>();
    if (event["event"] == "summary") summary = event;
  }
  EXPECT_EQ(logs["sim:0"], kPassLog);
  EXPECT_EQ(logs["sim:1"], kFailAtBlock2Log);
  EXPECT_EQ(logs["sim:2"], kPassLog);
  EXPECT_EQ(results["sim:0"]["ok"], true);
  EXPECT_EQ(results["sim:1"]["ok"], false);
  EXPECT_EQ(results["sim:1"]["bytes"], 2000);
  EXPECT_EQ(results["sim:2"]["ok"], true);
  EXPECT_EQ(summary, nlohmann::json::parse(R"({"event":"summary","devices":3,"passed":2,"failed":1})"));
  EXPECT_EQ(nlohmann::json::parse(Lines(result.out).back()), summary);  // the summary comes last
}

TEST_F(DownloadTest, FirstCtrlCWarnsOfAnIncompleteImageAndStopsWithinOneExchange) {
  const std::shared_ptr<sim::SimulatedDevice> device = cli.plug(*cli.systemBus);
  unsigned exchanges = 0;
  cli.systemBus->onExchange([&](const std::string&) {
    if (++exchanges == 6) cli.stop.request_stop();  // in the middle of the blocks
  });
  const CliResult result = cli.run({"download", "--mode", "kvm", file});

  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.err,
            "zentho-iap: stopping the download: the device may be left without a complete "
            "image (Ctrl-C again quits at once)\n"
            "zentho-iap: interrupted by the user\n");
  EXPECT_TRUE(result.out.ends_with("Chip Revision : 1\n\nBurn fail\n")) << result.out;
  EXPECT_EQ(exchanges, 6U);  // the exchange in flight was the last one
  const std::optional<sim::ReceivedImage> received = device->image(ImageType::KvmSystem);
  ASSERT_TRUE(received.has_value());
  EXPECT_FALSE(received->complete);
}

TEST_F(DownloadTest, StopBeforeTheSessionsStartTouchesNoDeviceAndWarnsOfNoImage) {
  const std::shared_ptr<sim::SimulatedDevice> device = cli.plug(*cli.systemBus);
  cli.stop.request_stop();
  const CliResult result = cli.run({"download", "--mode", "kvm", file});
  EXPECT_EQ(result.code, 1);
  // Nothing was sent, so there is no half-written image to warn of.
  EXPECT_EQ(result.err, "zentho-iap: interrupted by the user\n");
  EXPECT_EQ(device->image(ImageType::KvmSystem), std::nullopt);
}

TEST_F(DownloadTest, WaitIsSatisfiedByADeviceThatAppearsLater) {
  std::shared_ptr<sim::SimulatedDevice> late;
  int pauses = 0;
  cli.clock.onSleep([&](Clock::duration) {
    if (++pauses == 3) late = cli.plug(*cli.systemBus);
  });
  const CliResult result = cli.run({"download", "--wait", "5", "--mode", "kvm", file});

  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_EQ(result.out, WithLf(kPassLog));
  EXPECT_EQ(cli.clock.pauses(), (std::vector<Clock::duration>{200ms, 200ms, 200ms}));
  ASSERT_TRUE(late);
  EXPECT_EQ(late->image(ImageType::KvmSystem)->bytes, image);
}

TEST_F(DownloadTest, WaitWithAllLetsLaterDevicesSettleBeforeStarting) {
  std::vector<std::shared_ptr<sim::SimulatedDevice>> late;
  int pauses = 0;
  cli.clock.onSleep([&](Clock::duration) {
    ++pauses;
    if (pauses == 2 || pauses == 3) late.push_back(cli.plug(*cli.systemBus));
  });
  const CliResult result = cli.run({"download", "--all", "--wait", "5", "--mode", "kvm", file, "-q"});

  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_EQ(cli.clock.pauses(), (std::vector<Clock::duration>{200ms, 200ms, 1000ms}));
  ASSERT_EQ(late.size(), 2U);
  for (const auto& device : late) EXPECT_EQ(device->image(ImageType::KvmSystem)->bytes, image);
}

TEST_F(DownloadTest, WaitThatRunsOutEndsWithNoDevice) {
  const CliResult result = cli.run({"download", "--wait", "1", "--mode", "kvm", file});

  EXPECT_EQ(result.code, 3);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "zentho-iap: no device 4a5d:7310 found within the wait\n");
  EXPECT_EQ(cli.clock.pauses(), (std::vector<Clock::duration>(5, 200ms)));
}

}  // namespace
}  // namespace zentho::testing
