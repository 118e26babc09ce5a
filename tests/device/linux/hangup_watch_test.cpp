// The removal watch's fallback when udev says nothing (no udevd in containers): the
// node hanging up counts as removal. A pty stands in for the node.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "device/linux/hidraw_device.h"
#include "device/linux/udev_removal_watch.h"

namespace zentho::testing {
namespace {

TEST(HangupWatchTest, NodeHangingUpCountsAsRemoval) {
  // Should the pty become our controlling terminal, its hang-up must not end the test.
  std::signal(SIGHUP, SIG_IGN);
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string node = ptsname(master);

  device::OpenResult opened = device::linux_hid::HidrawDevice::Open(node, {}, {});
  ASSERT_TRUE(opened) << opened.reason();
  auto& hidraw = static_cast<device::linux_hid::HidrawDevice&>(*opened.value());
  std::unique_ptr<device::RemovalWatch> watch = device::linux_hid::UdevRemovalWatch::Start(hidraw);
  ASSERT_NE(watch, nullptr);
  int notified = 0;
  watch->setNotify([&] { ++notified; });
  EXPECT_FALSE(watch->removed());

  close(master);
  pollfd ready{watch->descriptor(), POLLIN, 0};
  ASSERT_EQ(poll(&ready, 1, 10000), 1);  // the limit only keeps a broken test from hanging
  EXPECT_TRUE(watch->removed());
  watch.reset();  // joins the watch's thread, so the count is settled
  EXPECT_EQ(notified, 1);
}

}  // namespace
}  // namespace zentho::testing
