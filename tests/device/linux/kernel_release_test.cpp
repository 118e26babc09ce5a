// Which kernel releases are taken for ones without the report ioctls (before 5.11).
#include <gtest/gtest.h>

#include <string>

#include "device/linux/kernel_release.h"

namespace zentho::testing {
namespace {

TEST(KernelReleaseTest, OnlyReleasesBefore5_11AreOld) {
  const struct {
    std::string release;
    bool old;
  } cases[] = {
      {"5.10.0-23-amd64", true}, {"5.10", true},   {"4.19.0", true},  {"3.2.0", true},
      {"5.11.0", false},         {"5.11", false},  {"5.15.0-91-generic", false},
      {"6.1.0-27-amd64", false}, {"10.0.0", false}, {"5", false},     {"", false},
      {"linux", false},          {"5.x", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(device::linux_hid::KernelLacksReportIoctls(c.release), c.old) << c.release;
  }
}

}  // namespace
}  // namespace zentho::testing
