// Whole downloads: the exact log, progress and report bytes of good sessions.
#include <algorithm>

#include "tests/transfer/session_fixture.h"
#include "transfer/session_messages.h"

namespace zentho::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TEST_F(SessionTest, KvmImageOf3000BytesGivesTheWholeLogAndReports) {
  const auto image = PatternBytes(3000);
  const std::string path = dir.write("kvm.bin", image);

  ASSERT_EQ(run(DownloadMode::KvmSystem, path), 1);

  EXPECT_THAT(sink.events,
              ElementsAre("log:\r\nRuntime file is loaded. File size: 3000 bytes.\r\n",
                          "range:0..3000", "step:1024", "pos:0",
                          "log:Start Runtime Transferring...\r\n", "log:Chip Revision : 1\r\n",
                          "trace:Start download file to device\n", "pos:1000", "pos:2000",
                          "pos:3000", "pos:3000",
                          "log:--- Runtime firmware is transmitted successfully ---\r\n\r\n"));
  EXPECT_THAT(trace(), ElementsAre("LEN 8", "SETIMGTYPE 1", "GET 8 ok", "DNLOAD 0 1024",
                                   "GET 8 ok", "DNLOAD 1 1024", "GET 8 ok", "DNLOAD 2 952",
                                   "GET 8 ok", "DNLOAD 3 0"));
  const auto received = device_->image(ImageType::KvmSystem);
  ASSERT_TRUE(received);
  EXPECT_TRUE(received->complete);
  EXPECT_EQ(received->bytes, image);
  EXPECT_TRUE(clock.pauses().empty());
}

TEST_F(SessionTest, ImageOf2500BytesMatchesTheWorkedExampleByteForByte) {
  const auto image = PatternBytes(2500);
  ASSERT_EQ(run(DownloadMode::KvmSystem, dir.write("a.bin", image)), 1);

  const auto outputs = Outputs(device_->trace());
  ASSERT_EQ(outputs.size(), 5U);
  EXPECT_EQ(HeaderHex(outputs[0], 3), "01 05 01");
  EXPECT_EQ(HeaderHex(outputs[1]), "01 01 00 04 00 00");
  EXPECT_EQ(HeaderHex(outputs[2]), "01 01 00 04 01 00");
  EXPECT_EQ(HeaderHex(outputs[3]), "01 01 C4 01 02 00");
  EXPECT_EQ(HeaderHex(outputs[4]), "01 01 00 00 03 00");
  for (const auto& report : outputs) EXPECT_EQ(report.bytes.size(), kCommandReportLength);
  // Block 2 carries image bytes 2048-2499 right after its header.
  EXPECT_TRUE(std::equal(image.begin() + 2048, image.end(), outputs[3].bytes.begin() + 6));
  // The status acknowledging block 0: ID 1, revision byte, state 4, nextBlock 1.
  const auto trace = device_->trace();
  EXPECT_EQ(HeaderHex(trace[4], 8), "01 10 00 04 01 00 00 00");
}

TEST_F(SessionTest, ExactMultipleOf1024IsSentAsFullBlocksThenAnEmptyOne) {
  ASSERT_EQ(run(DownloadMode::Bootloader, dir.write("boot.bin", PatternBytes(2048))), 1);
  EXPECT_THAT(trace(), ElementsAre("LEN 8", "SETIMGTYPE 0", "GET 8 ok", "DNLOAD 0 1024",
                                   "GET 8 ok", "DNLOAD 1 1024", "GET 8 ok", "DNLOAD 2 0"));
  EXPECT_EQ(device_->image(ImageType::Bootloader)->bytes, PatternBytes(2048));
}

std::string ConfigText(const std::string& lineEnd) {
  std::string text;
  for (int line = 0; line < 16; ++line) {
    for (int value = 0; value < 16; ++value) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%02X", (line * 16 + value) & 0xFF);
      text += hex;
      text += value < 15 ? " " : lineEnd;
    }
  }
  return text;
}

TEST_F(SessionTest, SoftwareConfigGoesAsOneSealedBlockOf256Bytes) {
  const std::string text = ConfigText("\r\n");
  ASSERT_EQ(text.size(), 784U);
  ASSERT_EQ(run(DownloadMode::SoftwareConfig, dir.write("config.txt", text)), 1);

  EXPECT_THAT(sink.events,
              ElementsAre("log:\r\nRuntime file is loaded. File size: 784 bytes.\r\n",
                          "range:0..784", "step:1024", "pos:0",
                          "log:Start Runtime Transferring...\r\n", "log:Chip Revision : 1\r\n",
                          "trace:Start download file to device\n", "pos:784", "pos:784",
                          "log:--- Runtime firmware is transmitted successfully ---\r\n\r\n"));
  EXPECT_THAT(trace(), ElementsAre("LEN 8", "SETIMGTYPE 2", "GET 8 ok", "DNLOAD 0 256",
                                   "GET 8 ok", "DNLOAD 1 0"));
  // Values 2..255 are the bytes themselves; bytes 0-1 hold the checksum that makes the
  // one's-complement sum of the 128 words 0xFFFF.
  const auto received = device_->image(ImageType::SoftwareConfig);
  ASSERT_TRUE(received);
  EXPECT_TRUE(std::equal(configImage.begin(), configImage.end(), received->bytes.begin()));
  for (int i = 2; i < 256; ++i) EXPECT_EQ(configImage[static_cast<std::size_t>(i)], i);
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 256; i += 2) sum += configImage[i] + configImage[i + 1] * 256U;
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  EXPECT_EQ(sum, 0xFFFFU);
}

TEST_F(SessionTest, ShortConfigIsSentUnsealedAfterTheLengthMessage) {
  ASSERT_EQ(run(DownloadMode::SoftwareConfig, dir.write("short.txt", "01 02 03\r\n")), 1);
  EXPECT_THAT(logLines(),
              ElementsAre("\r\nRuntime file is loaded. File size: 10 bytes.\r\n",
                          "The Length of SW Configuation in text file is wrong !!\r\n",
                          "Start Runtime Transferring...\r\n", "Chip Revision : 1\r\n",
                          "--- Runtime firmware is transmitted successfully ---\r\n\r\n"));
  const auto received = device_->image(ImageType::SoftwareConfig)->bytes;
  ASSERT_EQ(received.size(), 256U);
  EXPECT_EQ(received[0], 0x01);
  EXPECT_EQ(received[1], 0x02);
  EXPECT_EQ(received[2], 0x03);
  EXPECT_TRUE(std::all_of(received.begin() + 3, received.end(), [](auto b) { return b == 0xFF; }));
}

// 126-character lines ending in CR LF are whole lines on every platform: the window and
// `config check` see the same 256 values, and the image goes out sealed.
TEST_F(SessionTest, ConfigLinesOf126CharactersEndingInCrLfGiveTheWholeImage) {
  const std::string text = ConfigText(" " + std::string(78, 'x') + "\r\n");
  ASSERT_EQ(text.size(), 16U * 128U);
  ASSERT_EQ(run(DownloadMode::SoftwareConfig, dir.write("config.txt", text)), 1);
  EXPECT_THAT(logLines(),
              ElementsAre("\r\nRuntime file is loaded. File size: 2048 bytes.\r\n",
                          "Start Runtime Transferring...\r\n", "Chip Revision : 1\r\n",
                          "--- Runtime firmware is transmitted successfully ---\r\n\r\n"));
  const auto received = device_->image(ImageType::SoftwareConfig)->bytes;
  ASSERT_EQ(received.size(), 256U);
  EXPECT_EQ(received[0], 0x3F);  // the checksum of bytes 2-255 (02..FF), low byte first
  EXPECT_EQ(received[1], 0xC1);
  for (std::size_t i = 2; i < 256; ++i) EXPECT_EQ(received[i], i) << "byte " << i;
}

// Block numbers are 16 bits wide: 0x7FFF is acknowledged by 0x8000 and 0x8000 by 0x8001.
// A stale acknowledgement at the boundary must not be mistaken for the right one.
TEST_F(SessionTest, AcknowledgementsAreComparedInSixteenBitsAcrossTheSignBoundary) {
  sim::SimulatedDeviceOptions options;
  options.recordTrace = false;
  options.keepImages = false;
  options.faults.faults = {
      {.phase = sim::Phase::Transfer, .at = 0x7FFF, .kind = sim::FaultKind::WrongNextBlock,
       .count = 2, .value = 0x7FFF},
      {.phase = sim::Phase::Transfer, .at = 0x8000, .kind = sim::FaultKind::WrongNextBlock,
       .count = 1, .value = 0x8000},
  };
  device_.emplace(options, clock);
  const std::string path = dir.file("big.bin");
  { std::ofstream touch(path, std::ios::binary); }
  std::filesystem::resize_file(path, (0x8001U) * 1024U + 10U);  // blocks 0..0x8001

  ASSERT_EQ(run(DownloadMode::KvmSystem, path), 1);
  const auto received = device_->image(ImageType::KvmSystem);
  EXPECT_TRUE(received->complete);
  EXPECT_EQ(received->length, 0x8001U * 1024U + 10U);
  EXPECT_EQ(sink.log.find("fail"), std::string::npos);
}

}  // namespace
}  // namespace zentho::testing
