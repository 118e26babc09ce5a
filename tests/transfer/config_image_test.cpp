// The configuration text parser, the checksum and the number reader.
#include "transfer/config_image.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace zentho {
namespace {

// `count` values numbered from `first`, `perLine` to a line, each line ended by `end`.
std::string Values(int count, int perLine, const std::string& end = "\n", int first = 0) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", (first + i) & 0xFF);
    text += hex;
    text += (i % perLine == perLine - 1 || i == count - 1) ? end : " ";
  }
  return text;
}

struct ParseResult {
  unsigned count;
  ConfigImage image;
  ConfigParseReport report;
};

ParseResult Parse(const std::string& text) {
  std::istringstream in(text);
  ParseResult result{};
  result.image.fill(0x5A);  // must be refilled with 0xFF before parsing
  result.count = BuildConfigImage(in, result.image, &result.report);
  return result;
}

bool Sealed(const ConfigImage& image) {
  return ConfigChecksum({image.data() + 2, 254}) == (image[0] | (image[1] << 8));
}

struct ParseCase {
  const char* name;
  std::string text;
  unsigned count;
  bool sealed;
  unsigned stopLine;
  unsigned stopColumn;
};

class ConfigParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ConfigParseTest, CountSealAndStopPlace) {
  const ParseCase& c = GetParam();
  const ParseResult r = Parse(c.text);
  EXPECT_EQ(r.count, c.count);
  EXPECT_EQ(r.count == 256 && Sealed(r.image), c.sealed);
  EXPECT_EQ(r.report.stopLine, c.stopLine);
  EXPECT_EQ(r.report.stopColumn, c.stopColumn);
  // Every value that was read lies at its index (bytes 0-1 only when unsealed).
  const std::size_t stored = std::min<std::size_t>(r.count, 256);
  for (std::size_t i = c.sealed ? 2 : 0; i < stored; ++i) {
    EXPECT_EQ(r.image[i], i & 0xFF) << "byte " << i;
  }
  for (std::size_t i = stored; i < 256; ++i) EXPECT_EQ(r.image[i], 0xFF) << "byte " << i;
}

const std::string kLongTail(100, 'x');

INSTANTIATE_TEST_SUITE_P(
    Files, ConfigParseTest,
    ::testing::Values(
        ParseCase{"Lines16x16Lf", Values(256, 16), 256, true, 17, 1},
        ParseCase{"Lines16x16CrLf", Values(256, 16, "\r\n"), 256, true, 17, 1},
        ParseCase{"NoFinalLineBreak", Values(256, 16).substr(0, 16 * 48 - 1), 256, true, 16, 48},
        ParseCase{"Lines32x8", Values(256, 8), 256, true, 33, 1},
        ParseCase{"BlankLineAfterTheLastValue", Values(256, 16) + "\n" + Values(4, 4), 256, true, 17, 1},
        ParseCase{"BlankLineBefore", Values(128, 16) + "\n" + Values(128, 16, "\n", 128), 128, false, 9, 1},
        ParseCase{"BlankCrLfLineBefore", Values(128, 16, "\r\n") + "\r\n" + Values(128, 16, "\r\n", 128), 128, false, 9, 1},
        ParseCase{"CommentLine", Values(128, 16) + "# second half\n" + Values(128, 16, "\n", 128), 128, false, 9, 1},
        ParseCase{"LineStartingWithASpace", Values(128, 16) + " " + Values(128, 16, "\n", 128), 128, false, 9, 1},
        ParseCase{"ByteOrderMark", "\xEF\xBB\xBF" + Values(256, 16), 0, false, 1, 1},
        ParseCase{"SpaceAfterTheLastValueOfAShortLine", "00 01 \n" + Values(254, 16, "\n", 2), 2, false, 1, 7},
        ParseCase{"TwoSpaces", "00  01\n", 1, false, 1, 4},
        ParseCase{"SeventeenValuesOnALine", Values(16, 16, " 99\n") + Values(240, 16, "\n", 16), 256, true, 17, 1},
        ParseCase{"TwoHundredFiftySevenValues", Values(256, 16) + "00\n", 257, false, 18, 1},
        ParseCase{"LongLineIsReadInPiecesOf127", Values(16, 16, " " + kLongTail + "\n"), 16, false, 1, 128},
        // Read as text mode reads it: the CR of CR LF takes none of a piece's 127
        // characters, so a 126-character line is still one piece.
        ParseCase{"Line126CharactersCrLf", Values(16, 16, " " + std::string(78, 'x') + "\r\n") + Values(240, 16, "\r\n", 16), 256, true, 17, 1},
        ParseCase{"Line127CharactersCrLf", Values(16, 16, " " + std::string(79, 'x') + "\r\n") + Values(240, 16, "\r\n", 16), 16, false, 1, 128},
        ParseCase{"LoneCrIsNoLineEnd", "00 01\r02 03\n", 2, false, 2, 1},
        ParseCase{"CtrlZEndsTheText", Values(128, 16) + "\x1A" + Values(128, 16, "\n", 128), 128, false, 9, 1},
        ParseCase{"CtrlZInsideALine", "00 01\x1A" "02 03\n", 2, false, 1, 6},
        ParseCase{"CtrlZAfterCr", "00 01\r\x1A\n02\n", 2, false, 1, 7},
        // A NUL byte ends the values of its line, not the line: the next line is line 2.
        ParseCase{"NulByteInALine", std::string("00 01\0 99\n", 10) + Values(254, 16, "\n", 2), 256, true, 18, 1}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(ConfigParse, TabOrCommaAfterAValueSkipsToTheNextLine) {
  const ParseResult r = Parse("01\t02 03\n04,05\n06 ABC 07\n08");
  EXPECT_EQ(r.count, 5U);
  EXPECT_THAT(std::vector<int>(r.image.begin(), r.image.begin() + 6),
              ::testing::ElementsAre(0x01, 0x04, 0x06, 0xAB, 0x08, 0xFF));
}

TEST(ConfigParse, LowerAndUpperCaseDigitsGiveTheSameByte) {
  const ParseResult r = Parse("ab AB fF\n");
  EXPECT_THAT(std::vector<int>(r.image.begin(), r.image.begin() + 3),
              ::testing::ElementsAre(0xAB, 0xAB, 0xFF));
}

TEST(ConfigParse, MoreThan256ValuesNeverWritePastTheImage) {
  const ParseResult r = Parse(Values(512, 16, "\n", 0x10));
  EXPECT_EQ(r.count, 512U);
  EXPECT_EQ(r.image[0], 0x10);  // no checksum: the first value stays
  EXPECT_EQ(r.image[255], 0x0F);
}

struct ChecksumCase {
  std::vector<std::uint8_t> head;  // bytes from 2 on; the rest is `fill`
  std::uint8_t fill;
  std::uint16_t checksum;
};

class ChecksumTest : public ::testing::TestWithParam<ChecksumCase> {};

TEST_P(ChecksumTest, OverBytesTwoTo255) {
  std::vector<std::uint8_t> body(254, GetParam().fill);
  std::copy(GetParam().head.begin(), GetParam().head.end(), body.begin());
  EXPECT_EQ(ConfigChecksum(body), GetParam().checksum);
}

INSTANTIATE_TEST_SUITE_P(Examples, ChecksumTest,
                         ::testing::Values(ChecksumCase{{0x01, 0x02}, 0x00, 0xFDFE},
                                           ChecksumCase{{}, 0xFF, 0x0000},
                                           ChecksumCase{{0x34, 0x12}, 0xFF, 0xEDCB}));

TEST(ConfigChecksum, OddLastByteIsNotSummed) {
  const std::uint8_t bytes[3] = {0x01, 0x02, 0x77};
  EXPECT_EQ(ConfigChecksum(bytes), 0xFDFE);
}

TEST(ConfigParse, SealedImageCarriesTheChecksumLowByteFirst) {
  std::string text = "00 00 34 12";
  for (int i = 4; i < 256; ++i) text += (i % 16 == 0 ? "\n" : " ") + std::string("FF");
  const ParseResult r = Parse(text + "\n");
  ASSERT_EQ(r.count, 256U);
  EXPECT_EQ(r.image[0], 0xCB);
  EXPECT_EQ(r.image[1], 0xED);
}

struct NumberCase {
  const char* text;
  int base;
  std::uint32_t value;
  std::ptrdiff_t stop;
};

class ParseNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ParseNumberTest, ValueAndStopPosition) {
  const char* end = nullptr;
  EXPECT_EQ(ParseNumber(GetParam().text, GetParam().base, &end), GetParam().value);
  EXPECT_EQ(end - GetParam().text, GetParam().stop);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseNumberTest,
    ::testing::Values(NumberCase{"AB", 16, 0xAB, 2}, NumberCase{"ab", 16, 0xAB, 2},
                      NumberCase{"0x1F", 10, 0x1F, 4},     // "0x" and a digit force base 16
                      NumberCase{"0x", 16, 0, 1},          // no digit after x: stops at x
                      NumberCase{"0X1F", 16, 0, 1},        // only a lowercase x counts
                      NumberCase{"017", 0, 017, 3}, NumberCase{"19", 0, 19, 2},
                      NumberCase{"19", 8, 1, 1}, NumberCase{"4A5D xyz", 16, 0x4A5D, 4},
                      NumberCase{"100000001", 16, 1, 9},   // wraps past 32 bits
                      NumberCase{"", 16, 0, 0}, NumberCase{"g", 16, 0, 0}));

}  // namespace
}  // namespace zentho
