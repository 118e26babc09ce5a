// SHA-256 against the published test vectors, and the check of what a session sends.
#include <gtest/gtest.h>

#include <string>

#include "device/simulated/simulated_device.h"
#include "tests/support/temp_dir.h"
#include "transfer/download_session.h"
#include "transfer/sent_image_check.h"
#include "transfer/sha256.h"

namespace zentho {
namespace {

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string HexOf(const std::string& text, std::size_t piece) {
  Sha256 hash;
  for (std::size_t at = 0; at < text.size(); at += piece) {
    hash.update(Bytes(text).subspan(at, std::min(piece, text.size() - at)));
  }
  return ToHex(hash.finish());
}

struct Vector {
  std::string message;
  std::string digest;
};

TEST(Sha256, PublishedVectorsWhateverThePiecesFed) {
  const Vector vectors[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrl"
       "mnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Vector& v : vectors) {
    for (std::size_t piece : {std::size_t{7}, std::size_t{63}, std::size_t{64}, std::size_t{1000},
                              std::size_t{1} << 20}) {
      EXPECT_EQ(HexOf(v.message, piece), v.digest) << v.message.size() << " bytes in " << piece;
    }
  }
  // Around 55, 56 and 64 bytes the padding fits, just misses, or needs a block of its own.
  for (std::size_t length : {55U, 56U, 63U, 64U, 65U, 119U, 120U}) {
    const std::string message(length, 'x');
    EXPECT_EQ(HexOf(message, 1), HexOf(message, message.size())) << length;
  }
}

TEST(Sha256, FileDigestAndUnreadableFile) {
  testing::TempDir dir;
  const std::string path = dir.write("abc.bin", std::string("abc"));
  const OsResult<FileDigest> digest = HashFile(path);
  ASSERT_TRUE(digest);
  EXPECT_EQ(ToHex(digest.value().digest),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(digest.value().size, 3U);
  const OsResult<FileDigest> missing = HashFile(dir.file("missing.bin"));
  EXPECT_FALSE(missing);
  EXPECT_EQ(missing.reason(), "No such file or directory");
}

class SentImageCheckTest : public ::testing::Test {
 protected:
  SentImageCheckTest() {
    sim::SimulatedDeviceOptions options;
    device = std::make_shared<sim::SimulatedDevice>(options, clock);
  }
  int run(SentImageCheck& check, const std::string& path) {
    DiscardSink sink;
    ConfigImage image{};
    SessionContext context{check, image, sink, clock, {}};
    return RunDownloadSession(DownloadRequest{DownloadMode::KvmSystem, path, {}}, context);
  }
  Sha256Digest digestOf(const std::string& bytes) {
    Sha256 hash;
    hash.update(Bytes(bytes));
    return hash.finish();
  }

  testing::TempDir dir;
  ManualClock clock;
  std::shared_ptr<sim::SimulatedDevice> device;
  const std::string image_ = std::string(2500, 'i') + "end";
};

TEST_F(SentImageCheckTest, TheExpectedImageIsClosed) {
  SentImageCheck check(device, digestOf(image_));
  EXPECT_EQ(run(check, dir.write("a.bin", image_)), 1);
  EXPECT_TRUE(check.confirmed());
  EXPECT_EQ(check.mismatch(), "");
  ASSERT_TRUE(device->image(ImageType::KvmSystem));
  EXPECT_TRUE(device->image(ImageType::KvmSystem)->complete);
}

TEST_F(SentImageCheckTest, AnotherImageIsNeverClosed) {
  // The file on disk is not the one the station hashed: every block reaches the device,
  // but the report that would make it an image is held back.
  const std::string changed = image_.substr(0, image_.size() - 3) + "END";
  SentImageCheck check(device, digestOf(image_));
  EXPECT_EQ(run(check, dir.write("a.bin", changed)), 1);
  EXPECT_FALSE(check.confirmed());
  EXPECT_EQ(check.mismatch(), "the image sent has SHA-256 " + ToHex(digestOf(changed)) +
                                  ", not the file's " + ToHex(digestOf(image_)));
  ASSERT_TRUE(device->image(ImageType::KvmSystem));
  EXPECT_FALSE(device->image(ImageType::KvmSystem)->complete);
  EXPECT_EQ(device->image(ImageType::KvmSystem)->length, changed.size());
}

TEST_F(SentImageCheckTest, AResendMustCarryTheSameBytes) {
  SentImageCheck check(device, digestOf(std::string(2048, 'a')));
  std::array<std::uint8_t, kCommandReportLength> report{};
  auto dnload = [&](std::uint8_t block, std::uint8_t fill, std::size_t length) {
    report.fill(fill);
    report[0] = kReportId;
    report[1] = static_cast<std::uint8_t>(Command::DNLOAD);
    report[2] = static_cast<std::uint8_t>(length & 0xFF);
    report[3] = static_cast<std::uint8_t>(length >> 8);
    report[4] = block;
    report[5] = 0;
    return check.setOutputReport(report);
  };
  dnload(0, 'a', 1024);
  dnload(0, 'a', 1024);  // the same block again: accepted
  EXPECT_EQ(check.mismatch(), "");
  EXPECT_FALSE(dnload(0, 'b', 1024));
  EXPECT_EQ(check.mismatch(), "block 0 went out of order or changed on a resend");
  EXPECT_FALSE(dnload(1, 'a', 0));
  EXPECT_FALSE(check.confirmed());
}

}  // namespace
}  // namespace zentho
