// Report encoding and status decoding.
#include "transfer/report_protocol.h"

#include <gtest/gtest.h>

namespace zentho {
namespace {

// Captures what is sent and answers reads with a fixed status.
class CapturingChannel final : public ReportChannel {
 public:
  bool setOutputReport(std::span<const std::uint8_t> report) override {
    sent.assign(report.begin(), report.end());
    return deliver;
  }
  bool getInputReport(std::span<std::uint8_t> buffer) override {
    askedFor = buffer.size();
    firstByteAsked = buffer[0];
    std::copy_n(answer.begin(), std::min(buffer.size(), answer.size()), buffer.begin());
    return deliver;
  }
  std::optional<std::size_t> inputReportLength() override { return 8; }

  std::vector<std::uint8_t> sent;
  std::vector<std::uint8_t> answer{1, 0x1F, 0xEE, 4, 0x00, 0x80, 0xEE, 0xEE};
  std::size_t askedFor = 0;
  std::uint8_t firstByteAsked = 0;
  bool deliver = true;
};

TEST(ReportProtocol, CommandsReuseTheBufferAndTouchOnlyTheirBytes) {
  CapturingChannel channel;
  CommandReport report;
  const std::vector<std::uint8_t> data(1024, 0xA5);
  ASSERT_TRUE(sendBlock(channel, report, 0x1234, data));
  ASSERT_TRUE(sendCommand(channel, report, Command::ABORT, ImageType::SoftwareConfig));
  ASSERT_EQ(channel.sent.size(), kCommandReportLength);
  // Byte 3 onward still holds the block's header and data.
  EXPECT_EQ(std::vector<std::uint8_t>(channel.sent.begin(), channel.sent.begin() + 7),
            (std::vector<std::uint8_t>{0x01, 0x04, 0x02, 0x04, 0x34, 0x12, 0xA5}));
}

TEST(ReportProtocol, BlockHeaderIsLittleEndianAndShortBlocksKeepStaleTailBytes) {
  CapturingChannel channel;
  CommandReport report;
  ASSERT_TRUE(sendBlock(channel, report, 0, std::vector<std::uint8_t>(1024, 0x11)));
  ASSERT_TRUE(sendBlock(channel, report, 0x8001, std::vector<std::uint8_t>(452, 0x22)));
  EXPECT_EQ(std::vector<std::uint8_t>(channel.sent.begin(), channel.sent.begin() + 6),
            (std::vector<std::uint8_t>{0x01, 0x01, 0xC4, 0x01, 0x01, 0x80}));
  EXPECT_EQ(channel.sent[6 + 451], 0x22);
  EXPECT_EQ(channel.sent[6 + 452], 0x11);
}

TEST(ReportProtocol, ReadStatusSelectsReportOneAndDecodesSixteenBitNextBlock) {
  CapturingChannel channel;
  std::vector<std::uint8_t> buffer(8, 0x99);
  const auto status = readStatus(channel, buffer, 8);
  ASSERT_TRUE(status);
  EXPECT_EQ(channel.firstByteAsked, 1);
  EXPECT_EQ(status->chipRevision, 1);
  EXPECT_EQ(status->state, 4);
  EXPECT_EQ(status->nextBlock, 0x8000);
}

TEST(ReportProtocol, ReadStatusGrowsTheBufferToTheDeclaredLength) {
  CapturingChannel channel;
  std::vector<std::uint8_t> buffer(8);
  ASSERT_TRUE(readStatus(channel, buffer, 65));
  EXPECT_EQ(channel.askedFor, 65U);
  EXPECT_GE(buffer.size(), 65U);
}

TEST(ReportProtocol, FailedDeliveryAndReadAreReportedAsFailures) {
  CapturingChannel channel;
  channel.deliver = false;
  CommandReport report;
  std::vector<std::uint8_t> buffer(8);
  EXPECT_FALSE(sendCommand(channel, report, Command::SETIMGTYPE, ImageType::KvmSystem));
  EXPECT_FALSE(readStatus(channel, buffer, 8));
  EXPECT_FALSE(readStatus(channel, buffer, 7));  // too short to hold the state
}

TEST(ReportProtocol, ModesMapToImageTypes) {
  EXPECT_EQ(ImageTypeFor(DownloadMode::KvmSystem), ImageType::KvmSystem);
  EXPECT_EQ(ImageTypeFor(DownloadMode::Bootloader), ImageType::Bootloader);
  EXPECT_EQ(ImageTypeFor(DownloadMode::SoftwareConfig), ImageType::SoftwareConfig);
  EXPECT_FALSE(ImageTypeFor(static_cast<DownloadMode>(3)));
  EXPECT_FALSE(ImageTypeFor(static_cast<DownloadMode>(-1)));
}

}  // namespace
}  // namespace zentho
