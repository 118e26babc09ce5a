// zentho-iap over the real hidraw backend, on umockdev's mocked nodes: list, --all, the
// permission advice and the old-kernel explanation.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <umockdev.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

#include <nlohmann/json.hpp>

#include "app/cli/console_platform.h"
#include "device/link_messages.h"
#include "device/linux/udev_platform.h"
#include "device/system_hid_platform.h"
#include "tests/app/cli/cli_harness.h"
#include "tests/device/linux/mock_hidraw.h"
#include "tests/support/temp_dir.h"

namespace zentho::testing {
namespace {

class CliHidrawTest : public ::testing::Test {
 protected:
  CliHidrawTest() {
    cli.systemPlatform = [] {
      return std::shared_ptr<device::HidPlatform>(device::MakeSystemHidPlatform());
    };
  }
  // The machine as the backend sees it: its kernel release and usbhid's quirks.
  void useHost(device::linux_hid::HostFacts host) {
    cli.systemPlatform = [host] {
      return std::shared_ptr<device::HidPlatform>(
          std::make_shared<device::linux_hid::UdevHidPlatform>(host));
    };
  }

  TempDir dir;
  MockHidrawBus bus;
  CliHarness cli;
  const std::string hint{cli::OpenFailureHint()};
};

// Capabilities are per thread: dropping them lets a root test meet file modes.
CliResult RunWithoutPrivileges(CliHarness& cli, std::vector<std::string> args) {
  CliResult result;
  std::thread unprivileged([&] {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capset, &header, data) == 0) result = cli.run(args);
  });
  unprivileged.join();
  return result;
}

TEST_F(CliHidrawTest, ListShowsTheTargetNodesAndWhyOneCannotBeOpened) {
  bus.add(0, 0x046D, 0xC077);
  bus.add(1, 0x4A5D, 0x7310);
  MockNode& locked = bus.add(2, 0x4A5D, 0x7310);
  ASSERT_EQ(chmod(bus.nodeFile(locked).c_str(), 0), 0) << std::strerror(errno);

  const CliResult result = RunWithoutPrivileges(cli, {"list"});
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_EQ(result.out, "/dev/hidraw1  4a5d:7310  ready\n"
                        "/dev/hidraw2  4a5d:7310  cannot open: Permission denied (" + hint + ")\n");
}

TEST_F(CliHidrawTest, AllDownloadsToEveryTargetNode) {
  bus.add(0, 0x046D, 0xC077);
  MockNode& first = bus.add(1, 0x4A5D, 0x7310);
  MockNode& second = bus.add(2, 0x4A5D, 0x7310);
  const std::vector<std::uint8_t> image = PatternBytes(2500);

  const CliResult result = cli.run({"download", "--all", "--mode", "bootloader",
                                    dir.write("boot.bin", image), "--log", dir.file("run.log")});
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_NE(result.out.find("\n"
                            "device        result  bytes      seconds\n"
                            "/dev/hidraw1  pass    2500/2500  0.0\n"
                            "/dev/hidraw2  pass    2500/2500  0.0\n"
                            "2 devices: 2 passed, 0 failed\n"),
            std::string::npos)
      << result.out;
  EXPECT_EQ(first.device->image(ImageType::Bootloader)->bytes, image);
  EXPECT_EQ(second.device->image(ImageType::Bootloader)->bytes, image);
  EXPECT_TRUE(std::filesystem::exists(dir.file("run.log.hidraw1")));
  EXPECT_TRUE(std::filesystem::exists(dir.file("run.log.hidraw2")));
}

TEST_F(CliHidrawTest, AKernelWithoutReportIoctlsIsExplainedAfterTheLog) {
  useHost({"5.10.0-23-amd64", dir.file("quirks")});
  MockNode& node = bus.add(0, 0x4A5D, 0x7310);
  node.refuseReportsWith = EINVAL;
  const CliResult result = cli.run({"download", "--mode", "kvm", dir.write("fw.bin", PatternBytes(100))});
  EXPECT_EQ(result.code, 1);
  std::string explanation(device::msg::kKernelLacksReportIoctls);
  EXPECT_EQ(result.err, "zentho-iap: /dev/hidraw0: " + explanation + "\n");
}

TEST_F(CliHidrawTest, ListNamesTheKeyboardNodeOfACompositeDeviceAndDownloadSkipsIt) {
  MockNode& keyboard =
      bus.add(0, 0x4A5D, 0x7310, MockNodeOptions{.descriptorHex = kKeyboardReportDescriptorHex});
  MockNode& vendor = bus.add(1, 0x4A5D, 0x7310);

  const CliResult list = cli.run({"list"});
  EXPECT_EQ(list.code, 0) << list.err;
  EXPECT_EQ(list.out, "/dev/hidraw0  4a5d:7310  not the download interface\n"
                      "/dev/hidraw1  4a5d:7310  ready\n");
  const CliResult json = cli.run({"list", "--json"});
  EXPECT_EQ(Lines(json.out)[0],
            R"({"path":"/dev/hidraw0","vid":"4a5d","pid":"7310","openable":true,)"
            R"("download":false,"reason":"not the download interface"})");

  const std::vector<std::uint8_t> image = PatternBytes(2500);
  const CliResult result = cli.run({"download", "--mode", "kvm", dir.write("fw.bin", image)});
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(vendor.device->image(ImageType::KvmSystem)->bytes, image);
  EXPECT_EQ(keyboard.reportCalls, 0u);

  const CliResult named = cli.run({"download", "--mode", "kvm", "--device", "/dev/hidraw0",
                                   dir.file("fw.bin")});
  EXPECT_EQ(named.code, 3);
  EXPECT_EQ(Lines(named.err)[0], "zentho-iap: Skipped device /dev/hidraw0 (4a5d:7310): not the download interface");
  EXPECT_EQ(keyboard.reportCalls, 0u);
}

// Two refused DNLOADs of block 0, outlasted by the third offer.
void RefuseBlock0Twice(MockNode& node) {
  node.inject({.ioctl = ReportIoctl::Output, .after = 1, .count = 2, .error = EPIPE});
}

TEST_F(CliHidrawTest, JsonEventsCarryTheReasonOfEachFailedExchange) {
  RefuseBlock0Twice(bus.add(0, 0x4A5D, 0x7310));
  const CliResult result =
      cli.run({"download", "--mode", "kvm", dir.write("fw.bin", PatternBytes(2500)), "--json"});
  EXPECT_EQ(result.code, 0) << result.err;
  std::vector<std::string> failures;
  for (const std::string& line : Lines(result.out)) {
    const nlohmann::json event = nlohmann::json::parse(line);
    if (event["event"] == "exchange-failed") failures.push_back(line);
  }
  const std::string failure =
      R"({"event":"exchange-failed","device":"/dev/hidraw0","reason":"HIDIOCSOUTPUT: Broken pipe"})";
  EXPECT_EQ(failures, (std::vector<std::string>{failure, failure}));
}

TEST_F(CliHidrawTest, DebugTraceShowsTheReasonBesideTheSessionsOwnLines) {
  RefuseBlock0Twice(bus.add(0, 0x4A5D, 0x7310));
  const CliResult result = cli.run(
      {"download", "--mode", "kvm", dir.write("fw.bin", PatternBytes(2500)), "--debug-trace"});
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(result.err,
            "Start download file to device\n"
            "HIDIOCSOUTPUT: Broken pipe\n"
            "HIDIOCSOUTPUT: Broken pipe\n");
}

TEST_F(CliHidrawTest, InterruptPipeNoteFollowsOnlyAFailedDownload) {
  useHost({"6.1.0-27-amd64", dir.file("quirks")});
  MockNode& node = bus.add(0, 0x4A5D, 0x7310, MockNodeOptions{.interruptOut = true});
  const std::string file = dir.write("fw.bin", PatternBytes(2500));
  const CliResult passed = cli.run({"download", "--mode", "kvm", file});
  EXPECT_EQ(passed.code, 0);
  EXPECT_EQ(passed.err, "");

  node.inject({.ioctl = ReportIoctl::Output, .after = 1, .count = kEveryCall, .error = EPIPE});
  const CliResult failed = cli.run({"download", "--mode", "kvm", file});
  EXPECT_EQ(failed.code, 1);
  std::string note = device::msg::OutputReportsOnInterruptPipe({0x4A5D, 0x7310});
  EXPECT_EQ(failed.err, "zentho-iap: /dev/hidraw0: " + note + "\n");
}

}  // namespace
}  // namespace zentho::testing

int main(int argc, char** argv) { return zentho::testing::RunMockedTests(argc, argv); }
