// The ID boxes' text to target numbers.
#include <gtest/gtest.h>

#include "app/window/hex_id.h"

namespace zentho::window {
namespace {

struct BoxCase {
  const char* text;
  std::uint32_t target;
};

class HexIdTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(HexIdTest, GivesTarget) { EXPECT_EQ(ParseSaturatingHexId(GetParam().text), GetParam().target); }

INSTANTIATE_TEST_SUITE_P(
    BoxTexts, HexIdTest,
    ::testing::Values(BoxCase{"4A5D", 0x4A5D}, BoxCase{"4a5d", 0x4A5D}, BoxCase{"4A5D ", 0x4A5D},
                      BoxCase{"4A5D xyz", 0x4A5D}, BoxCase{"4A5Dxyz", 0x4A5D}, BoxCase{"", 0},
                      BoxCase{" 4A5D", 0}, BoxCase{"-1", 0}, BoxCase{"0x4A5D", 0},
                      BoxCase{"14A5D", 0x14A5D}, BoxCase{"FFFFFFFF", 0xFFFFFFFF},
                      BoxCase{"123456789", 0xFFFFFFFF}, BoxCase{"FFFFFFFFFFFFFFFFFFFF", 0xFFFFFFFF},
                      BoxCase{"000000004A5D", 0x4A5D}, BoxCase{"7310", 0x7310}));

}  // namespace
}  // namespace zentho::window
