// The window's rows of the fault matrix: at every block of a 16-block image, the link
// released by Disconnect, the device removed, or the window closed. The job must end
// without a hang, say so once (or, for the close, say nothing), and no report may reach
// the device once the link is released.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>

#include "app/window/control_ids.h"
#include "device/link_messages.h"
#include "transfer/session_messages.h"
#include "window_fakes.h"

namespace zentho::window::test {
namespace {

constexpr unsigned kBlocks = 16;

enum class Ending { Disconnect, Removal, Close };

struct Row {
  const char* name;
  Ending ending;
};

std::size_t DataBlocksSeen(const sim::SimulatedDevice& device) {
  std::size_t count = 0;
  for (const sim::TraceEntry& entry : device.trace()) {
    if (entry.kind == sim::TraceKind::Output && entry.bytes[1] == 1 && (entry.bytes[2] | entry.bytes[3]) != 0) {
      ++count;
    }
  }
  return count;
}

TEST(WindowFaultMatrix, LinkLostOrWindowClosedAtEveryBlock) {
  const Row rows[] = {{"Disconnect", Ending::Disconnect},
                      {"removal", Ending::Removal},
                      {"close", Ending::Close}};
  std::size_t scenarios = 0;
  for (const Row& row : rows) {
    for (unsigned block = 0; block < kBlocks; ++block) {
      SCOPED_TRACE(std::string(row.name) + " at block " + std::to_string(block));
      WindowHarness h;
      h.dlg->OnInitDialog();
      h.dlg->FilePath = h.writeFile("fw.bin", FirmwareBytes(kBlocks * 1024));
      h.connect();
      h.view.answerYes = true;  // "Stop it and close?": yes
      std::shared_ptr<device::DeviceLink> link = h.dlg->DeviceHandle;

      std::size_t reportsAtRelease = 0;
      bool fired = false;
      h.bus.onExchange([&](const std::string&) {
        // Block `block`'s DNLOAD has reached the device: end things now.
        if (fired || DataBlocksSeen(*h.device) != block + 1) return;
        fired = true;
        if (row.ending == Ending::Removal) {
          h.bus.unplug(h.devicePath);
          reportsAtRelease = h.device->trace().size();
          return;
        }
        h.windowThread.invoke([&] {
          if (row.ending == Ending::Disconnect) h.dlg->OnConnect();
          else h.dlg->OnClose();
          reportsAtRelease = h.device->trace().size();
        });
      });
      h.runJob();
      h.windowThread.pumpPending();

      ASSERT_TRUE(fired);
      EXPECT_TRUE(link->released());
      EXPECT_TRUE(link->closed());
      EXPECT_FALSE(h.dlg->jobRunning());
      // The hook runs as an exchange enters the link, so that one exchange was already in
      // flight at the release and completes; after it, nothing from a released link. A
      // removed device is still called, and every call fails.
      if (row.ending != Ending::Removal) {
        EXPECT_EQ(h.device->trace().size(), reportsAtRelease + 1);
      } else {
        for (std::size_t i = reportsAtRelease; i < h.device->trace().size(); ++i) {
          EXPECT_FALSE(h.device->trace()[i].ok) << i;
        }
      }
      const std::optional<sim::ReceivedImage> image = h.device->image(ImageType::KvmSystem);
      ASSERT_TRUE(image.has_value());
      EXPECT_FALSE(image->complete);
      const std::string burnFail(msg::kBurnFail);
      // Disconnect while the last block's acknowledgement is in flight: every block was
      // acknowledged, and the session does not look at the closing report's delivery,
      // so the job passes though the closing report never left the released link.
      const bool lastAcknowledged = row.ending == Ending::Disconnect && block == kBlocks - 1;
      EXPECT_EQ(h.view.log.find("successfully") != std::string::npos, lastAcknowledged);
      if (lastAcknowledged) {
        EXPECT_EQ(h.view.result, ResultState::Pass);
        EXPECT_EQ(h.view.log.find(burnFail), std::string::npos);
      } else if (row.ending == Ending::Close) {
        EXPECT_EQ(h.view.ended, DialogResult::Cancel);
        EXPECT_EQ(h.view.log.find(burnFail), std::string::npos);
        EXPECT_TRUE(h.tones.played().empty());
      } else {
        EXPECT_EQ(h.view.result, ResultState::Fail);
        EXPECT_EQ(h.tones.played(), (std::vector<Tone>{{3500, 500}}));
        const std::size_t at = h.view.log.find(burnFail);
        ASSERT_NE(at, std::string::npos) << h.view.log;
        EXPECT_EQ(h.view.log.find(burnFail, at + 1), std::string::npos);
        EXPECT_FALSE(h.view.controls.at(kIdcDownload).enabled);
        EXPECT_EQ(h.view.text(kIdcConnect), "Connect");
      }
      if (row.ending == Ending::Removal) {
        EXPECT_NE(h.view.log.find(std::string(device::msg::kDeviceUnplugged)), std::string::npos);
      }
      ++scenarios;
    }
  }
  std::cout << "window fault matrix: " << scenarios << " scenarios\n";
  EXPECT_EQ(scenarios, 3U * kBlocks);
}

}  // namespace
}  // namespace zentho::window::test
