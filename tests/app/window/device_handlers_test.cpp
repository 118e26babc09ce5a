// Connect, Disconnect, removal and the ID boxes, against the simulated bus.
#include <gtest/gtest.h>

#include "app/window/control_ids.h"
#include "window_fakes.h"

namespace zentho::window::test {
namespace {

struct LinkState {
  std::string caption;
  bool downloadEnabled;
  bool connectEnabled;
  bool connected;
  bool linkHeld;
  friend bool operator==(const LinkState&, const LinkState&) = default;
};

void PrintTo(const LinkState& s, std::ostream* os) {
  *os << s.caption << " download=" << s.downloadEnabled << " connect=" << s.connectEnabled
      << " connected=" << s.connected << " link=" << s.linkHeld;
}

LinkState StateOf(const WindowHarness& h) {
  return {h.view.text(kIdcConnect), h.view.controls.at(kIdcDownload).enabled,
          h.view.controls.at(kIdcConnect).enabled, h.dlg->Connected, h.dlg->DeviceHandle != nullptr};
}

const LinkState kDisconnected{"Connect", false, true, false, false};
const LinkState kConnected{"Disconnect", true, true, true, true};

TEST(Connect, FindsDeviceWithDefaultIds) {
  WindowHarness h;
  h.dlg->OnInitDialog();
  h.view.appendLog("old text");
  h.dlg->OnConnect();
  EXPECT_EQ(h.view.log, "--- Find device ---\r\n\r\n");
  EXPECT_EQ(StateOf(h), kConnected);
  EXPECT_EQ(h.bus.counters().opens, 1U);
}

TEST(Connect, FailedSearchesLeaveDisconnected) {
  struct Case {
    const char* name;
    std::function<void(WindowHarness&)> arrange;
    std::string log;
  };
  const Case cases[] = {
      {"no interface", [](WindowHarness&) {}, "Enum device over\r\n--- Device not found ---\r\n\r\n"},
      {"other product id",
       [](WindowHarness& h) {
         sim::SimulatedDeviceOptions other;
         other.productId = 0x7311;
         h.bus.plug(std::make_shared<sim::SimulatedDevice>(other, h.clock));
       },
       "Enum device over\r\n--- Device not found ---\r\n\r\n"},
      {"detail read fails",
       [](WindowHarness& h) {
         h.bus.plug(h.device);
         h.bus.failDetailReadAt(0);
       },
       "SetupDiGetDeviceInterfaceDetail fail\r\n--- Device not found ---\r\n\r\n"},
      {"allocation fails",
       [](WindowHarness& h) {
         h.bus.plug(h.device);
         h.bus.failAllocationAt(0);
       },
       "allocate memory fail\r\n--- Device not found ---\r\n\r\n"},
  };
  for (const Case& c : cases) {
    WindowHarness h(false);
    h.dlg->OnInitDialog();
    c.arrange(h);
    h.dlg->OnConnect();
    EXPECT_EQ(h.view.log, c.log) << c.name;
    EXPECT_EQ(StateOf(h), kDisconnected) << c.name;
    // The next press searches again.
    h.dlg->OnConnect();
    EXPECT_EQ(h.view.log, c.log) << c.name;
  }
}

TEST(Connect, UnopenableMatchIsLoggedOnlyWhenNoDeviceIsFound) {
  const std::string line = "Cannot open device sim:0 (4a5d:7310): Permission denied";
  for (const bool laterDevice : {true, false}) {
    WindowHarness h(false);
    h.dlg->OnInitDialog();
    sim::BusInterfaceOptions unopenable;
    unopenable.openable = false;
    h.bus.plug(std::make_shared<sim::SimulatedDevice>(sim::SimulatedDeviceOptions{}, h.clock),
               unopenable);
    if (laterDevice) h.bus.plug(h.device);
    h.dlg->OnConnect();
    if (laterDevice) {
      EXPECT_EQ(h.view.log, "--- Find device ---\r\n\r\n");
      EXPECT_EQ(h.trace.lines(), std::vector<std::string>{line + "\n"});
      EXPECT_EQ(StateOf(h), kConnected);
    } else {
      EXPECT_EQ(h.view.log, line + "\r\nEnum device over\r\n--- Device not found ---\r\n\r\n");
      EXPECT_TRUE(h.trace.lines().empty());
      EXPECT_EQ(StateOf(h), kDisconnected);
    }
  }
}

TEST(Connect, DisconnectEmptiesLogAndReleasesLink) {
  WindowHarness h;
  h.dlg->OnInitDialog();
  h.connect();
  h.view.appendLog("job lines\r\n");
  std::shared_ptr<device::DeviceLink> link = h.dlg->DeviceHandle;
  h.dlg->OnConnect();
  EXPECT_EQ(h.view.log, "--- Disconnect device ---\r\n\r\n");
  EXPECT_EQ(StateOf(h), kDisconnected);
  EXPECT_TRUE(link->released());
  EXPECT_TRUE(link->closed());
  EXPECT_EQ(h.bus.counters().closes, 1U);
}

TEST(Removal, UnplugEndsLinkAndKeepsLog) {
  WindowHarness h;
  h.dlg->OnInitDialog();
  h.dlg->OnConnect();
  h.bus.unplug(h.devicePath);
  h.windowThread.pumpPending();
  EXPECT_EQ(h.view.log, "--- Find device ---\r\n\r\n--- Device Unpluged---\r\n\r\n");
  EXPECT_EQ(StateOf(h), kDisconnected);
}

TEST(Removal, OnlyRemoveCompleteActsAndOnlyWhileALinkIsUp) {
  WindowHarness h;
  h.dlg->OnInitDialog();
  h.connect();
  h.view.log.clear();
  EXPECT_EQ(h.dlg->OnDeviceChange(kDbtDeviceArrival, nullptr), 1);
  EXPECT_EQ(h.dlg->OnDeviceChange(0x0007, nullptr), 1);
  EXPECT_EQ(h.view.log, "");
  EXPECT_EQ(StateOf(h), kConnected);

  EXPECT_EQ(h.dlg->OnDeviceChange(kDbtDeviceRemoveComplete, nullptr), 1);
  EXPECT_EQ(StateOf(h), kDisconnected);
  // Again while disconnected: nothing is logged and nothing changes.
  EXPECT_EQ(h.dlg->OnDeviceChange(kDbtDeviceRemoveComplete, nullptr), 1);
  EXPECT_EQ(h.view.log, "--- Device Unpluged---\r\n\r\n");
  EXPECT_EQ(StateOf(h), kDisconnected);
}

TEST(Removal, NewsOfAnEarlierLinkLeavesTheCurrentOneUp) {
  WindowHarness h;
  auto second = std::make_shared<sim::SimulatedDevice>(sim::SimulatedDeviceOptions{}, h.clock);
  h.bus.plug(second);
  h.dlg->OnInitDialog();
  h.dlg->OnConnect();
  h.bus.unplug(h.devicePath);  // queued, not yet handled
  h.dlg->OnConnect();          // Disconnect
  h.dlg->OnConnect();          // Connect: the second device
  h.windowThread.pumpPending();
  EXPECT_EQ(h.view.log, "--- Find device ---\r\n\r\n");
  EXPECT_EQ(StateOf(h), kConnected);
}

TEST(IdBoxes, EachBoxSetsItsOwnTarget) {
  WindowHarness h;
  h.dlg->OnInitDialog();
  h.view.type(kIdcVendorId, "4a5e xyz");
  EXPECT_EQ(h.dlg->TargetVendorId, 0x4A5EU);
  EXPECT_EQ(h.dlg->TargetProductId, 0x7310U);
  h.view.type(kIdcProductId, "0x7310");
  EXPECT_EQ(h.dlg->TargetVendorId, 0x4A5EU);
  EXPECT_EQ(h.dlg->TargetProductId, 0U);
}

TEST(IdBoxes, TargetAbove16BitsMatchesNothing) {
  WindowHarness h;
  h.dlg->OnInitDialog();
  h.view.type(kIdcVendorId, "14A5D");
  h.dlg->OnConnect();
  EXPECT_EQ(h.view.log, "Enum device over\r\n--- Device not found ---\r\n\r\n");
  EXPECT_EQ(h.bus.counters().opens, 1U);  // opened, compared, closed
  EXPECT_EQ(h.bus.counters().closes, 1U);
}

TEST(IdBoxes, EditWhileConnectedKeepsLink) {
  WindowHarness h;
  h.dlg->OnInitDialog();
  h.connect();
  h.view.type(kIdcProductId, "1111");
  EXPECT_EQ(StateOf(h), kConnected);
  h.dlg->OnConnect();  // Disconnect
  h.dlg->OnConnect();  // the new target applies
  EXPECT_EQ(h.view.log, "Enum device over\r\n--- Device not found ---\r\n\r\n");
}

}  // namespace
}  // namespace zentho::window::test
