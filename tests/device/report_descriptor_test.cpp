// Input report lengths read from HID report descriptors.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "device/report_descriptor.h"

namespace zentho::testing {
namespace {

struct DescriptorCase {
  std::string name;
  std::vector<std::uint8_t> descriptor;
  std::optional<std::size_t> expected;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const DescriptorCase& c, std::ostream* out) { *out << '"' << c.name << '"'; }

class InputLengthTest : public ::testing::TestWithParam<DescriptorCase> {};

TEST_P(InputLengthTest, MatchesWhatHidPGetCapsWouldGive) {
  EXPECT_EQ(device::InputReportByteLength(GetParam().descriptor), GetParam().expected);
}

const DescriptorCase kCases[] = {
    {"OrvaneInput1Of7BytesOutput1Of1029",
     {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00,
      0x75, 0x08, 0x95, 0x07, 0x09, 0x01, 0x81, 0x02,
      0x96, 0x05, 0x04, 0x09, 0x01, 0x91, 0x02, 0xC0},
     8},
    {"NoReportIdStillCountsTheIdByte",
     {0xA1, 0x01, 0x75, 0x08, 0x95, 0x03, 0x81, 0x02, 0xC0},
     4},
    {"LongestOfSeveralReportIds",
     {0x85, 0x01, 0x75, 0x08, 0x95, 0x07, 0x81, 0x02,
      0x85, 0x02, 0x95, 0x3F, 0x81, 0x02,
      0x85, 0x03, 0x95, 0x10, 0x81, 0x02},
     64},
    {"FieldsOfOneReportAddUpInBitsAndRoundUp",
     {0x85, 0x04, 0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02},
     3},
    {"OutputAndFeatureDoNotCount",
     {0x85, 0x01, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02, 0x95, 0x40, 0x91, 0x02, 0xB1, 0x02},
     3},
    {"PopRestoresSizeAndCount",
     {0x75, 0x08, 0x95, 0x02, 0xA4, 0x75, 0x10, 0x95, 0x08, 0xB4, 0x81, 0x02},
     3},
    {"FourByteItemDataIsRead",
     {0x77, 0x08, 0x00, 0x00, 0x00, 0x97, 0x05, 0x00, 0x00, 0x00, 0x81, 0x02},
     6},
    {"LongItemIsSkipped",
     {0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02},
     2},
    {"NoInputReport", {0x75, 0x08, 0x95, 0x04, 0x91, 0x02}, 0},
    {"ItemCutShort", {0x75, 0x08, 0x96, 0x05}, std::nullopt},
    {"LongItemCutShort", {0xFE, 0x04, 0x10, 0x01}, std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Descriptors, InputLengthTest, ::testing::ValuesIn(kCases),
                         [](const auto& testInfo) { return testInfo.param.name; });

}  // namespace
}  // namespace zentho::testing

namespace zentho::testing {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < hex.size();) {
    if (hex[i] == ' ') {
      ++i;
      continue;
    }
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(std::string(hex.substr(i, 2)), nullptr, 16)));
    i += 2;
  }
  return bytes;
}

// The download interface's collection: input report 1 of 7 bytes, output 1 of 1029.
constexpr std::string_view kVendor =
    "06 00 ff 09 01 a1 01 85 01 15 00 26 ff 00 75 08 95 07 09 01 81 02 "
    "96 05 04 09 01 91 02 c0 ";
// A boot keyboard without report IDs: 8 input bytes, 1 output byte of LEDs.
constexpr std::string_view kKeyboard =
    "05 01 09 06 a1 01 05 07 19 e0 29 e7 15 00 25 01 75 01 95 08 81 02 "
    "95 01 75 08 81 01 95 05 75 01 05 08 19 01 29 05 91 02 95 01 75 03 91 01 "
    "95 06 75 08 15 00 25 65 05 07 19 00 29 65 81 00 c0 ";
// A consumer-control collection with a 63-byte input report 3.
constexpr std::string_view kConsumer = "05 0c 09 01 a1 01 85 03 75 08 95 3f 81 02 c0 ";

struct DownloadCase {
  std::string name;
  std::string descriptor;
  std::optional<std::size_t> expected;
};

void PrintTo(const DownloadCase& c, std::ostream* out) { *out << '"' << c.name << '"'; }

class DownloadInterfaceTest : public ::testing::TestWithParam<DownloadCase> {};

TEST_P(DownloadInterfaceTest, TellsTheDownloadInterfaceAndItsInputLength) {
  const std::optional<device::ReportMap> map = device::ParseReportDescriptor(Bytes(GetParam().descriptor));
  ASSERT_TRUE(map.has_value());
  EXPECT_EQ(device::DownloadInputReportLength(*map, 1029), GetParam().expected);
}

const DownloadCase kDownloadCases[] = {
    {"OrvaneVendorCollection", std::string(kVendor), 8},
    {"BootKeyboardIsNotIt", std::string(kKeyboard), std::nullopt},
    {"ConsumerCollectionIsNotIt", std::string(kConsumer), std::nullopt},
    // The 63-byte consumer report would make the whole descriptor's length 64.
    {"OnlyTheCollectionHoldingReport1Counts",
     std::string(kConsumer) + std::string(kVendor), 8},
    {"KeyboardThenVendorCollection", std::string(kKeyboard) + std::string(kVendor), 8},
    {"LongerInputOfTheSameCollectionCounts",
     "06 00 ff 09 01 a1 01 85 01 75 08 95 07 81 02 96 05 04 91 02 "
     "85 04 95 0f 81 02 c0",
     16},
    {"InputInANestedCollectionBelongsToItsTopLevelOne",
     "06 00 ff 09 01 a1 01 a1 02 85 01 75 08 95 07 81 02 c0 96 05 04 91 02 c0 "
     + std::string(kConsumer),
     8},
    {"OutputOf1028BytesIsTooShort",
     "06 00 ff 09 01 a1 01 85 01 75 08 95 07 81 02 96 04 04 91 02 c0", std::nullopt},
    {"OutputOfAnotherIdDoesNotCount",
     "06 00 ff 09 01 a1 01 85 01 75 08 95 07 81 02 85 02 96 05 04 91 02 c0", std::nullopt},
    {"NoInputReport1",
     "06 00 ff 09 01 a1 01 85 02 75 08 95 07 81 02 85 01 96 05 04 91 02 c0", std::nullopt},
    {"WithoutReportIdsNothingIsReport1",
     "06 00 ff 09 01 a1 01 75 08 95 07 81 02 96 05 04 91 02 c0", std::nullopt},
    {"LongItemsBetweenTheFieldsAreSkipped",
     "06 00 ff 09 01 a1 01 85 01 fe 03 f0 81 02 91 75 08 95 07 81 02 "
     "fe 00 f1 96 05 04 91 02 c0",
     8},
    // 0xFFFFFFFF x 0xFFFFFFFF bits, then 2^33 more: a wrapping sum would come to 1 bit.
    {"HugeFieldsSaturateInsteadOfWrapping",
     "06 00 ff 09 01 a1 01 85 01 75 08 95 07 81 02 "
     "77 ff ff ff ff 97 ff ff ff ff 91 02 77 00 00 00 80 95 04 91 02 c0",
     8},
};

INSTANTIATE_TEST_SUITE_P(Descriptors, DownloadInterfaceTest, ::testing::ValuesIn(kDownloadCases),
                         [](const auto& testInfo) { return testInfo.param.name; });

TEST(ReportDescriptorTest, CollectionsAreListedInOrderWithLooseItemsLast) {
  const std::optional<device::ReportMap> map = device::ParseReportDescriptor(
      Bytes(std::string(kKeyboard) + std::string(kVendor) + "85 05 75 08 95 02 81 02"));
  ASSERT_TRUE(map.has_value());
  ASSERT_EQ(map->collections.size(), 3u);
  EXPECT_EQ(map->collections[0].inputBits, (std::map<std::uint32_t, std::uint64_t>{{0, 64}}));
  EXPECT_EQ(map->collections[0].outputBits, (std::map<std::uint32_t, std::uint64_t>{{0, 8}}));
  EXPECT_EQ(map->collections[1].inputBits, (std::map<std::uint32_t, std::uint64_t>{{1, 56}}));
  EXPECT_EQ(map->collections[1].outputBits, (std::map<std::uint32_t, std::uint64_t>{{1, 1029 * 8}}));
  EXPECT_EQ(map->collections[2].inputBits, (std::map<std::uint32_t, std::uint64_t>{{5, 16}}));
  EXPECT_EQ(device::ParseReportDescriptor(Bytes("a1 01 85 01 fe 05 01 02")), std::nullopt);
}

}  // namespace
}  // namespace zentho::testing
