// The list verb, and what a download says about interfaces it cannot open.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "app/cli/console_platform.h"
#include "tests/app/cli/cli_harness.h"
#include "tests/support/temp_dir.h"

namespace zentho::testing {
namespace {

class ListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cli.plug(*cli.systemBus);
    cli.plug(*cli.systemBus, {}, {.openable = false, .openError = "Permission denied"});
    sim::SimulatedDeviceOptions other;
    other.vendorId = 0x046D;
    other.productId = 0xC077;
    cli.systemBus->plug(std::make_shared<sim::SimulatedDevice>(other, cli.clock));
  }
  CliHarness cli;
  const std::string hint{cli::OpenFailureHint()};
  // The reason as printed: the system's advice follows in brackets where it has any.
  const std::string denied = hint.empty() ? "Permission denied" : "Permission denied (" + hint + ")";
};

TEST_F(ListTest, ShowsMatchingInterfacesAndWhyOneCannotBeOpened) {
  const CliResult result = cli.run({"list"});
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(result.out, "sim:0  4a5d:7310  ready\n"
                        "sim:1  4a5d:7310  cannot open: " + denied + "\n");

  const CliResult other = cli.run({"list", "--vid", "0x046d", "--pid", "C077", "--json"});
  EXPECT_EQ(other.code, 0);
  EXPECT_EQ(other.out, "{\"path\":\"sim:2\",\"vid\":\"046d\",\"pid\":\"c077\",\"openable\":true}\n");
}

TEST_F(ListTest, JsonCarriesTheReasonAndTheHint) {
  const CliResult result = cli.run({"list", "--json"});
  const std::vector<std::string> lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 2U) << result.out;
  EXPECT_EQ(nlohmann::json::parse(lines[0]),
            nlohmann::json({{"path", "sim:0"}, {"vid", "4a5d"}, {"pid", "7310"}, {"openable", true}}));
  nlohmann::json unopenable = {{"path", "sim:1"}, {"vid", "4a5d"}, {"pid", "7310"},
                               {"openable", false}, {"error", "Permission denied"}};
  if (!hint.empty()) unopenable["hint"] = hint;
  EXPECT_EQ(nlohmann::json::parse(lines[1]), unopenable);
}

TEST_F(ListTest, NamesWhereEachBoardSitsWhenThePlatformKnows) {
  cli.plug(*cli.systemBus, {}, {.portPath = "1-2.3", .serialNumber = "ORV0042"});
  const CliResult text = cli.run({"list"});
  EXPECT_EQ(Lines(text.out).back(), "sim:3  4a5d:7310  ready  port 1-2.3  serial ORV0042");
  const CliResult json = cli.run({"list", "--json"});
  EXPECT_EQ(Lines(json.out).back(),
            "{\"path\":\"sim:3\",\"vid\":\"4a5d\",\"pid\":\"7310\",\"openable\":true,\"port\":\"1-2.3\","
            "\"serial\":\"ORV0042\"}");
}

TEST_F(ListTest, NothingMatchingIsNoDevice) {
  const CliResult result = cli.run({"list", "--pid", "7311"});
  EXPECT_EQ(result.code, 3);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "zentho-iap: no HID interface 4a5d:7311 present\n");
}

TEST_F(ListTest, DownloadNamesTheInterfaceItCannotOpenBeforeGivingUp) {
  TempDir dir;
  const std::string file = dir.write("fw.bin", PatternBytes(100));
  const CliResult result = cli.run({"download", "--device", "sim:1", "--mode", "kvm", file});
  EXPECT_EQ(result.code, 3);
  EXPECT_EQ(result.err, "zentho-iap: Cannot open device sim:1 (4a5d:7310): " + denied +
                            "\nzentho-iap: no device sim:1 found\n");

  const CliResult json = cli.run({"download", "--device", "sim:1", "--mode", "kvm", file, "--json"});
  EXPECT_EQ(json.out, "{\"event\":\"warning\",\"message\":\"Cannot open device sim:1 (4a5d:7310): "
                      + denied + "\"}\n"
                      "{\"event\":\"error\",\"error\":\"no-device\",\"message\":\"no device sim:1 found\"}\n");

  const CliResult absent = cli.run({"download", "--device", "/dev/hidraw9", "--mode", "kvm", file});
  EXPECT_EQ(absent.code, 3);
  EXPECT_EQ(absent.err, "zentho-iap: /dev/hidraw9: no such HID interface\n"
                        "zentho-iap: no device /dev/hidraw9 found\n");

  const CliResult wrongIds = cli.run({"download", "--device", "sim:2", "--mode", "kvm", file});
  EXPECT_EQ(wrongIds.code, 3);
  EXPECT_EQ(wrongIds.err, "zentho-iap: sim:2 is 046d:c077, not the target 4a5d:7310\n"
                          "zentho-iap: no device sim:2 found\n");
}

TEST(DownloadSelection, ATargetWhoseIdsCannotBeReadIsNamedWithTheReason) {
  CliHarness cli;
  cli.plug(*cli.systemBus, {}, {.idsUnreadableOpens = sim::kEveryOpen, .idsError = "Input/output error"});
  TempDir dir;
  const std::string file = dir.write("fw.bin", PatternBytes(100));
  const std::string line = "zentho-iap: sim:0: its vendor and product ID cannot be read: Input/output error\n";
  for (const std::vector<std::string>& device : {std::vector<std::string>{}, {"--device", "sim:0"}}) {
    std::vector<std::string> args{"download", "--mode", "kvm", file};
    args.insert(args.end(), device.begin(), device.end());
    const CliResult result = cli.run(args);
    EXPECT_EQ(result.code, 3);
    EXPECT_EQ(result.err, line + (device.empty() ? "zentho-iap: no device 4a5d:7310 found\n"
                                                 : "zentho-iap: no device sim:0 found\n"));
  }
}

}  // namespace
}  // namespace zentho::testing
