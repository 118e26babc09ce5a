// The hidraw backend against what real kernels and devices do: composite devices,
// refused, stalled, short and foreign answers, removal errors, old kernels, and the
// interrupt OUT pipe. Each ends with its exact log and the system's reason in the trace.
#include <gtest/gtest.h>
#include <poll.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "device/find_device.h"
#include "device/interface_survey.h"
#include "device/link_messages.h"
#include "device/linux/udev_platform.h"
#include "tests/device/linux/mock_hidraw.h"
#include "tests/support/fault_checks.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"
#include "transfer/download_session.h"
#include "transfer/session_messages.h"

namespace zentho::testing {
namespace {

using namespace std::chrono_literals;

class HidrawFaultTest : public ::testing::Test {
 protected:
  void usePlatform(device::linux_hid::HostFacts host) {
    platform = std::make_unique<device::linux_hid::UdevHidPlatform>(std::move(host));
  }

  std::shared_ptr<device::DeviceLink> find() {
    return device::FindDevice(
        *platform, 0x4A5D, 0x7310, [this](std::string_view text) { log += text; },
        [this](std::string_view line) { searchTrace.emplace_back(line); });
  }

  // Downloads a 2500-byte KVM image (blocks 0 to 2) and returns the session's result.
  int download(device::DeviceLink& link) {
    const std::string path = dir.write("kvm.bin", PatternBytes(2500));
    DownloadRequest request{DownloadMode::KvmSystem, path, {}};
    SessionContext context{link, configImage, sink, bus.clock, {}};
    return RunDownloadSession(request, context);
  }

  // The log after "Start Runtime Transferring...".
  std::string transferLog() const {
    const std::size_t at = sink.log.find(msg::kStartTransferring);
    return at == std::string::npos ? sink.log : sink.log.substr(at + msg::kStartTransferring.size());
  }

  std::vector<std::string> traceLines() const {
    std::vector<std::string> lines;
    for (const std::string& event : sink.events) {
      if (event.starts_with("trace:")) lines.push_back(event.substr(6));
    }
    return lines;
  }

  TempDir dir;
  MockHidrawBus bus;
  std::unique_ptr<device::HidPlatform> platform =
      std::make_unique<device::linux_hid::UdevHidPlatform>(
          device::linux_hid::HostFacts{"6.1.0-27-amd64", dir.file("quirks")});
  std::string log;
  std::vector<std::string> searchTrace;
  RecordingSink sink;
  ConfigImage configImage{};
};

TEST_F(HidrawFaultTest, CompositeDeviceConnectsItsVendorNodeAndNeverWritesToTheKeyboard) {
  MockNode& keyboard =
      bus.add(0, 0x4A5D, 0x7310, MockNodeOptions{.descriptorHex = kKeyboardReportDescriptorHex});
  MockNode& vendor = bus.add(1, 0x4A5D, 0x7310);

  std::shared_ptr<device::DeviceLink> link = find();
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->path(), "/dev/hidraw1");
  EXPECT_EQ(log, "");
  EXPECT_EQ(searchTrace, (std::vector<std::string>{
                             "Skipped device /dev/hidraw0 (4a5d:7310): not the download interface\n"}));
  EXPECT_EQ(download(*link), 1);
  EXPECT_EQ(keyboard.reportCalls, 0u);
  EXPECT_GT(vendor.reportCalls, 0u);
  link->release();

  const std::vector<device::InterfaceReport> survey = device::SurveyInterfaces(*platform);
  ASSERT_EQ(survey.size(), 2u);
  EXPECT_EQ(survey[0].unsuitable, std::optional<std::string>("not the download interface"));
  EXPECT_EQ(survey[1].unsuitable, std::nullopt);
  EXPECT_EQ(keyboard.reportCalls, 0u);
}

TEST_F(HidrawFaultTest, KeyboardNodeAloneIsNamedWhenTheSearchFindsNothing) {
  bus.add(0, 0x4A5D, 0x7310, MockNodeOptions{.descriptorHex = kKeyboardReportDescriptorHex});
  EXPECT_EQ(find(), nullptr);
  EXPECT_EQ(log,
            "Skipped device /dev/hidraw0 (4a5d:7310): not the download interface\r\n"
            "Enum device over\r\n");
  EXPECT_TRUE(searchTrace.empty());
}

struct FaultCase {
  std::string name;
  std::vector<ReportFault> faults;
  int result;
  std::string transferLog;
  std::vector<std::string> trace;
};

void PrintTo(const FaultCase& c, std::ostream* out) { *out << '"' << c.name << '"'; }

class ReportFaultTest : public HidrawFaultTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(ReportFaultTest, EndsAsTheSessionRulesSayWithTheReasonInTheTrace) {
  MockNode& node = bus.add(0, 0x4A5D, 0x7310);
  for (const ReportFault& fault : GetParam().faults) node.inject(fault);
  std::shared_ptr<device::DeviceLink> link = find();
  ASSERT_NE(link, nullptr);

  EXPECT_EQ(download(*link), GetParam().result);
  EXPECT_EQ(transferLog(), GetParam().transferLog);
  EXPECT_EQ(traceLines(), GetParam().trace);
  EXPECT_EQ(link->removalWatch()->removed(), false);
  link->release();
}

const std::string kStart = "Start download file to device\n";
const std::string kPassed = msg::ChipRevision(1);

const FaultCase kFaultCases[] = {
    {"EpipeBurstOnABlockIsOutlasted",
     {{.ioctl = ReportIoctl::Output, .after = 1, .count = 2, .error = EPIPE}},
     1,
     kPassed + Repeat(msg::DnloadFail(0, 1476), 2) + std::string(msg::kTransmittedSuccessfully),
     {kStart, "HIDIOCSOUTPUT: Broken pipe\n", "HIDIOCSOUTPUT: Broken pipe\n"}},
    {"EpipeBurstLongerThanTheOffersFails",
     {{.ioctl = ReportIoctl::Output, .after = 1, .count = 4, .error = EPIPE}},
     0,
     kPassed + Repeat(msg::DnloadFail(0, 1476), 4),
     {kStart, "HIDIOCSOUTPUT: Broken pipe\n", "HIDIOCSOUTPUT: Broken pipe\n",
      "HIDIOCSOUTPUT: Broken pipe\n", "HIDIOCSOUTPUT: Broken pipe\n"}},
    {"EtimedoutAfterAStallEndsAtTheAcknowledgementLimit",
     {{.ioctl = ReportIoctl::Input, .after = 1, .count = kEveryCall, .error = ETIMEDOUT, .stall = 5000ms}},
     0,
     kPassed + msg::GetStatusFailAtBlock(0) + msg::AckTimeout(0),
     {kStart, "HIDIOCGINPUT: Connection timed out\n"}},
    {"OneByteAnswerIsAFailedReadNotRevisionZero",
     {{.ioctl = ReportIoctl::Input, .length = 1}},
     1,
     std::string(msg::kGetStatusFail) + kPassed + std::string(msg::kTransmittedSuccessfully),
     {"HIDIOCGINPUT: 1 of 8 bytes received\n", kStart}},
    {"FiveByteAnswerIsNoAcknowledgement",
     {{.ioctl = ReportIoctl::Input, .after = 1, .length = 5}},
     1,
     kPassed + msg::GetStatusFailAtBlock(0) + std::string(msg::kTransmittedSuccessfully),
     {kStart, "HIDIOCGINPUT: 5 of 8 bytes received\n"}},
    {"SevenByteAnswerIsAFailedRead",
     {{.ioctl = ReportIoctl::Input, .length = 7}},
     1,
     std::string(msg::kGetStatusFail) + kPassed + std::string(msg::kTransmittedSuccessfully),
     {"HIDIOCGINPUT: 7 of 8 bytes received\n", kStart}},
    {"AnswerWithAnotherReportIdIsAFailedRead",
     {{.ioctl = ReportIoctl::Input, .reportId = 2}},
     1,
     std::string(msg::kGetStatusFail) + kPassed + std::string(msg::kTransmittedSuccessfully),
     {"HIDIOCGINPUT: report ID 2 received, not 1\n", kStart}},
    {"OutputReportCutShortIsNotDelivered",
     {{.ioctl = ReportIoctl::Output, .length = 1000}},
     0,
     std::string(msg::kSetImageTypeFail),
     {"HIDIOCSOUTPUT: 1000 of 1030 bytes sent\n", "Failed at SETIMGTYPE.\n"}},
};

INSTANTIATE_TEST_SUITE_P(Faults, ReportFaultTest, ::testing::ValuesIn(kFaultCases),
                         [](const auto& testInfo) { return testInfo.param.name; });

class RemovalErrorTest : public HidrawFaultTest, public ::testing::WithParamInterface<int> {};

TEST_P(RemovalErrorTest, CountsAsRemovalOnlyForTheErrorsOfAGoneDevice) {
  const int error = GetParam();
  MockNode& node = bus.add(0, 0x4A5D, 0x7310);
  node.inject({.ioctl = ReportIoctl::Output, .after = 2, .count = kEveryCall, .error = error});
  std::shared_ptr<device::DeviceLink> link = find();
  ASSERT_NE(link, nullptr);
  device::RemovalWatch* watch = link->removalWatch();
  ASSERT_NE(watch, nullptr);

  EXPECT_EQ(download(*link), 0);
  EXPECT_EQ(transferLog(), kPassed + Repeat(msg::DnloadFail(1, 452), 4));
  const std::string reason = "HIDIOCSOUTPUT: " + std::string(std::strerror(error)) + "\n";
  EXPECT_EQ(traceLines(), (std::vector<std::string>{kStart, reason, reason, reason, reason}));
  const bool gone = error != EPIPE;
  EXPECT_EQ(watch->removed(), gone);
  if (gone) {
    pollfd ready{watch->descriptor(), POLLIN, 0};
    EXPECT_EQ(poll(&ready, 1, 0), 1);  // raised before the exchange returned
  }
  link->release();
}

INSTANTIATE_TEST_SUITE_P(Errors, RemovalErrorTest, ::testing::Values(ENODEV, ESHUTDOWN, EPROTO, EPIPE),
                         [](const auto& testInfo) {
                           switch (testInfo.param) {
                             case ENODEV: return std::string("ENODEV");
                             case ESHUTDOWN: return std::string("ESHUTDOWN");
                             case EPROTO: return std::string("EPROTO");
                             default: return std::string("EPIPE");
                           }
                         });

TEST_F(HidrawFaultTest, EshutdownAtUnplugEndsTheSessionAsARemoval) {
  MockNode& node = bus.add(0, 0x4A5D, 0x7310);
  std::shared_ptr<device::DeviceLink> link = find();
  ASSERT_NE(link, nullptr);
  bus.unplug(node, ESHUTDOWN);
  EXPECT_EQ(download(*link), 0);
  EXPECT_EQ(transferLog(), msg::kSetImageTypeFail);
  EXPECT_EQ(traceLines(), (std::vector<std::string>{
                              "HIDIOCSOUTPUT: Cannot send after transport endpoint shutdown\n",
                              "Failed at SETIMGTYPE.\n"}));
  EXPECT_TRUE(link->removalWatch()->removed());
  link->release();
}

struct KernelCase {
  std::string release;
  int error;
  bool blamed;
};

void PrintTo(const KernelCase& c, std::ostream* out) { *out << c.release; }

class KernelAgeTest : public HidrawFaultTest, public ::testing::WithParamInterface<KernelCase> {};

TEST_P(KernelAgeTest, RefusedReportIoctlsBlameTheKernelOnlyWhenItIsOlderThan5_11) {
  usePlatform({GetParam().release, dir.file("quirks")});
  MockNode& node = bus.add(0, 0x4A5D, 0x7310);
  node.refuseReportsWith = GetParam().error;
  std::shared_ptr<device::DeviceLink> link = find();
  ASSERT_NE(link, nullptr);

  EXPECT_EQ(download(*link), 0);
  const std::string reason = "HIDIOCSOUTPUT: " + std::string(std::strerror(GetParam().error)) + "\n";
  EXPECT_EQ(traceLines(), (std::vector<std::string>{reason, "Failed at SETIMGTYPE.\n"}));
  EXPECT_EQ(link->takeDiagnostic(),
            GetParam().blamed ? std::optional<std::string>(device::msg::kKernelLacksReportIoctls)
                              : std::nullopt);
  EXPECT_EQ(link->takeDiagnostic(), std::nullopt);
  link->release();
}

INSTANTIATE_TEST_SUITE_P(Kernels, KernelAgeTest,
                         ::testing::Values(KernelCase{"5.10.0-23-amd64", EINVAL, true},
                                           KernelCase{"4.19.0", ENOTTY, true},
                                           KernelCase{"5.11.0", EINVAL, false},
                                           KernelCase{"6.1.0-27-amd64", ENOTTY, false},
                                           KernelCase{"unknown", EINVAL, false}),
                         [](const auto& testInfo) {
                           std::string name;
                           for (char c : testInfo.param.release) name += std::isalnum(c) ? c : '_';
                           return name;
                         });

struct PipeCase {
  std::string name;
  bool interruptOut;
  std::optional<std::string> quirks;  // usbhid's quirks parameter; nothing: no such file
  bool noted;
};

void PrintTo(const PipeCase& c, std::ostream* out) { *out << '"' << c.name << '"'; }

class OutputPipeTest : public HidrawFaultTest, public ::testing::WithParamInterface<PipeCase> {};

TEST_P(OutputPipeTest, InterruptOutEndpointWithoutTheQuirkIsNotedAtConnect) {
  if (GetParam().quirks) std::ofstream(dir.file("quirks")) << *GetParam().quirks;
  bus.add(0, 0x4A5D, 0x7310, MockNodeOptions{.interruptOut = GetParam().interruptOut});
  std::shared_ptr<device::DeviceLink> link = find();
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->takeDiagnostic(),
            GetParam().noted ? std::optional<std::string>(device::msg::OutputReportsOnInterruptPipe(
                                   device::HidIds{0x4A5D, 0x7310}))
                             : std::nullopt);
  link->release();
}

INSTANTIATE_TEST_SUITE_P(
    Pipes, OutputPipeTest,
    ::testing::Values(PipeCase{"ControlPipeOnly", false, std::nullopt, false},
                      PipeCase{"InterruptOutWithoutQuirks", true, std::nullopt, true},
                      PipeCase{"InterruptOutWithNoQuirkSet", true, "(null),(null),(null),(null)\n", true},
                      PipeCase{"QuirkSet", true, "0x4a5d:0x7310:0x40000,(null),(null),(null)\n", false},
                      PipeCase{"QuirkSetAmongOthers", true, "0x4A5D:0x7310:0x40004\n", false},
                      PipeCase{"QuirkOfAnotherProduct", true, "0x4a5d:0x7311:0x40000\n", true},
                      PipeCase{"AnotherQuirkOfThisDevice", true, "0x4a5d:0x7310:0x4\n", true}),
    [](const auto& testInfo) { return testInfo.param.name; });

}  // namespace
}  // namespace zentho::testing
