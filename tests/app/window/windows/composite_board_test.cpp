// A composite board through the Windows backend: the keyboard and mouse collections
// beside the vendor one, all with the board's IDs, stood in the HID class driver's place.
#include <gtest/gtest.h>

#include <map>

#include "device/interface_survey.h"
#include "device/windows/hid_path.h"
#include "device/windows/setupapi_platform.h"
#include "window_fakes.h"

namespace zentho::window::test {
namespace {

using device::windows_hid::CollectionCaps;
using device::windows_hid::RawHandle;

std::string CollectionPath(const char* part) {
  return std::string(R"(\\?\hid#vid_4a5d&pid_7310&)") + part +
         "#8&1f2e3d4c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

struct Collection {
  std::string path;
  CollectionCaps caps;
  std::string reportsRefused;  // the system's reason when it won't open it for reports
};

const Collection kKeyboard{CollectionPath("mi_00&col01"), {0x0001, 0x0006, 9, 2, false, false}, "Access is denied. (error 5)"};
const Collection kMouse{CollectionPath("mi_00&col02"), {0x0001, 0x0002, 5, 0, false, false}, "Access is denied. (error 5)"};
const Collection kVendor{CollectionPath("mi_01"), {0xFF00, 0x0001, 8, 1030, true, true}, ""};

// The list and the driver of one board; handles are numbers that only this driver takes.
class CompositeBoard final : public device::windows_hid::HidClassDriver {
 public:
  explicit CompositeBoard(std::vector<Collection> collections) : collections_(std::move(collections)) {}

  std::unique_ptr<device::InterfaceList> list() {
    struct List final : device::InterfaceList {
      std::vector<Collection> collections;
      std::optional<device::InterfaceSlot> at(std::size_t index) override {
        if (index >= collections.size()) return std::nullopt;
        device::InterfaceSlot slot{device::InterfaceSlot::Status::Path, collections[index].path, {}};
        slot.listedIds = device::windows_hid::IdsFromPath(slot.path);
        return slot;
      }
    };
    auto list = std::make_unique<List>();
    list->collections = collections_;
    return list;
  }

  OsResult<RawHandle> openForQuery(const std::string& path) override { return handleOf(path); }
  OsResult<RawHandle> openForReports(const std::string& path) override {
    reportOpens.push_back(path);
    const Collection& c = collections_.at(indexOf(path));
    if (!c.reportsRefused.empty()) return OsError{c.reportsRefused};
    return handleOf(path);
  }
  OsResult<device::HidIds> attributes(RawHandle) override {
    return device::HidIds{device::kOrvaneVendorId, device::kOrvaneProductId};
  }
  OsResult<CollectionCaps> caps(RawHandle handle) override {
    return collections_.at(open_.at(handle)).caps;
  }
  void close(RawHandle handle) override { EXPECT_EQ(open_.erase(handle), 1U); }

  std::vector<std::string> reportOpens;
  std::size_t openHandles() const { return open_.size(); }

 private:
  std::size_t indexOf(const std::string& path) const {
    for (std::size_t i = 0; i < collections_.size(); ++i) {
      if (collections_[i].path == path) return i;
    }
    ADD_FAILURE() << "opened a path the list never named: " << path;
    return 0;
  }
  RawHandle handleOf(const std::string& path) {
    const auto handle = reinterpret_cast<RawHandle>(++lastHandle_ * 4);
    open_[handle] = indexOf(path);
    return handle;
  }

  std::vector<Collection> collections_;
  std::map<RawHandle, std::size_t> open_;
  std::uintptr_t lastHandle_ = 0x100;
};

TEST(CompositeBoardConnect, OtherCollectionsArePassedOverWithoutAWord) {
  const Collection shortVendor{CollectionPath("mi_02"), {0xFF00, 0x0001, 8, 65, true, true}, ""};
  Collection heldVendor = kVendor;
  heldVendor.reportsRefused = "Access is denied. (error 5)";
  const std::string notFound = "Enum device over\r\n--- Device not found ---\r\n\r\n";
  struct Case {
    const char* name;
    std::vector<Collection> collections;
    std::string log;
    std::vector<std::string> reportOpens;
  } cases[] = {
      {"keyboard, mouse, then the vendor collection", {kKeyboard, kMouse, kVendor},
       "--- Find device ---\r\n\r\n", {kVendor.path}},
      {"keyboard and mouse alone", {kKeyboard, kMouse}, notFound, {}},
      {"vendor collection with reports too short", {kKeyboard, shortVendor}, notFound, {}},
      {"vendor collection held by another program", {kKeyboard, heldVendor, kMouse},
       "Cannot open device " + kVendor.path + " (4a5d:7310): Access is denied. (error 5)\r\n" + notFound,
       {kVendor.path}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CompositeBoard board(c.collections);
    device::windows_hid::SetupApiHidPlatform platform([&] { return board.list(); }, board);
    WindowHarness h(false, nullptr, &platform);
    h.dlg->OnInitDialog();
    h.dlg->OnConnect();
    EXPECT_EQ(h.view.log, c.log);
    EXPECT_EQ(h.trace.lines(), std::vector<std::string>{});
    EXPECT_EQ(board.reportOpens, c.reportOpens);
    EXPECT_EQ(board.openHandles(), h.dlg->DeviceHandle ? 1U : 0U);
    if (h.dlg->DeviceHandle) h.dlg->OnConnect();  // Disconnect
    EXPECT_EQ(board.openHandles(), 0U);
  }
}

// The list still names every collection, and says why the others take no downloads.
TEST(CompositeBoardList, ShowsEveryCollectionAndWhyItIsNotTheDownloadInterface) {
  CompositeBoard board({kKeyboard, kMouse, kVendor});
  device::windows_hid::SetupApiHidPlatform platform([&] { return board.list(); }, board);
  std::vector<std::optional<std::string>> unsuitable;
  for (const device::InterfaceReport& report : device::SurveyInterfaces(platform)) {
    EXPECT_TRUE(report.openable) << report.path;
    unsuitable.push_back(report.unsuitable);
  }
  EXPECT_EQ(unsuitable, (std::vector<std::optional<std::string>>{
                            "not the download interface", "not the download interface", std::nullopt}));
  EXPECT_EQ(board.openHandles(), 0U);
}

}  // namespace
}  // namespace zentho::window::test
