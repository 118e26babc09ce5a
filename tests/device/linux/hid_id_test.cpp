// The IDs that the Linux backend reads from a "hid" device's HID_ID without opening it.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "device/linux/udev_platform.h"

namespace zentho::testing {
namespace {

struct HidIdCase {
  std::string text;
  std::optional<device::HidIds> expected;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const HidIdCase& c, std::ostream* out) { *out << '"' << c.text << '"'; }

class HidIdTest : public ::testing::TestWithParam<HidIdCase> {};

TEST_P(HidIdTest, Parses) {
  EXPECT_EQ(device::linux_hid::ParseHidId(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    HidId, HidIdTest,
    ::testing::Values(HidIdCase{"0003:00004A5D:00007310", device::HidIds{0x4A5D, 0x7310}},
                      HidIdCase{"0005:0000046d:0000c077", device::HidIds{0x046D, 0xC077}},
                      HidIdCase{"0003:0001FFFF:00007310", std::nullopt},
                      HidIdCase{"0003:00004A5D", std::nullopt},
                      HidIdCase{"0003:00004A5D:7310x", std::nullopt},
                      HidIdCase{"", std::nullopt}));

}  // namespace
}  // namespace zentho::testing
