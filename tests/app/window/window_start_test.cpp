// The window's start, its data exchange, system commands, settings load and browse.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "app/window/control_ids.h"
#include "window_fakes.h"

namespace zentho::window::test {
namespace {

void WriteSettings(WindowHarness& h, const std::string& bytes) {
  std::filesystem::create_directories(h.folder / "ZenthoIAP");
  std::ofstream(h.folder / "ZenthoIAP" / "setup.dat", std::ios::binary) << bytes;
}

TEST(WindowStart, ControlsAsInStartStateTable) {
  WindowHarness h;
  ASSERT_TRUE(h.dlg->OnInitDialog());

  const std::vector<std::pair<int, std::string>> expected = {
      {kIdcFilePath, "enabled"},         {kIdcBrowse, "enabled \"Load MCPU binary file\""},
      {kIdcDownload, "disabled \"Download\""}, {kIdcConnect, "enabled \"Connect\""},
      {kIdcModeKvm, "enabled checked"}, {kIdcModeBootloader, "enabled"},
      {kIdcModeConfig, "enabled"},       {kIdcVendorId, "enabled \"4A5D\""},
      {kIdcProductId, "enabled \"7310\""}, {kIdcElapsedTime, "enabled \"00:00:00\""}};
  for (const auto& [id, state] : expected) EXPECT_EQ(Describe(h.view, id), state) << id;
  EXPECT_EQ(h.view.log, "");
  EXPECT_EQ(h.view.result, ResultState::Idle);
  EXPECT_EQ(h.view.progressPosition, 0U);
  EXPECT_EQ(h.view.aboutItems, std::vector<std::string>{"&About ZenthoIAP... 16"});
  EXPECT_FALSE(h.dlg->Connected);
  EXPECT_EQ(h.dlg->DeviceHandle, nullptr);
  EXPECT_EQ(h.dlg->TargetVendorId, 0x4A5DU);
  EXPECT_EQ(h.dlg->TargetProductId, 0x7310U);
  EXPECT_EQ(h.dlg->DownloadMode, 0);
  EXPECT_EQ(MainWindowRef(), h.dlg.get());
  // Without setup.dat the path is "?????" and the box keeps its empty text.
  EXPECT_EQ(h.dlg->FilePath, "?????");
  // The icons are in place before the settings are read and the buttons are enabled.
  const auto& calls = h.view.calls;
  const auto at = [&](const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) - calls.begin();
  };
  EXPECT_LT(at("window icons"), at("result idle"));
  EXPECT_LT(at("browse icon"), at("enable 1015 1"));
  EXPECT_LT(at("enable 1015 1"), at("enable 1002 1"));
  EXPECT_LT(at("enable 1002 1"), at("enable 1001 0"));
  EXPECT_LT(at("enable 1001 0"), at("enable 1038 1"));
}

TEST(WindowStart, FirstLoadWritesIdsWithoutChangeHandlers) {
  WindowHarness h;
  h.dlg->TargetVendorId = 1;  // a change handler would overwrite these
  h.dlg->TargetProductId = 2;
  h.dlg->OnInitDialog();
  EXPECT_EQ(h.view.text(kIdcVendorId), "4A5D");
  EXPECT_EQ(h.dlg->TargetVendorId, 1U);
  EXPECT_EQ(h.dlg->TargetProductId, 2U);
}

TEST(DataExchange, SaveReadsRadioPositionAndTexts) {
  struct Case {
    int checked;  // control checked, 0 for none
    int mode;
  };
  for (const Case c : {Case{kIdcModeKvm, 0}, Case{kIdcModeBootloader, 1},
                       Case{kIdcModeConfig, 2}, Case{0, -1}}) {
    WindowHarness h;
    h.dlg->OnInitDialog();
    for (int id : kModeGroup) h.view.controls[id].checked = id == c.checked;
    h.view.controls[kIdcVendorId].text = "abc";
    EXPECT_TRUE(h.dlg->UpdateData(true));
    EXPECT_EQ(h.dlg->DownloadMode, c.mode) << c.checked;
    EXPECT_EQ(h.dlg->VendorIdText, "abc");
    EXPECT_EQ(h.dlg->ProductIdText, "7310");
  }
}

TEST(DataExchange, LoadChecksModeAndWritesOnlyChangedTexts) {
  WindowHarness h;
  h.dlg->OnInitDialog();
  h.view.calls.clear();
  h.dlg->DownloadMode = 2;
  h.dlg->ProductIdText = "1234";
  EXPECT_TRUE(h.dlg->UpdateData(false));
  EXPECT_EQ(h.view.calls, (std::vector<std::string>{"check 1034 0", "check 1035 0",
                                                    "check 1036 1", "text 1042 1234"}));
  EXPECT_EQ(h.dlg->TargetProductId, 0x7310U);  // the notification of 1042 was ignored

  h.dlg->DownloadMode = -1;
  h.dlg->UpdateData(false);
  for (int id : kModeGroup) EXPECT_FALSE(h.view.isChecked(id)) << id;
}

TEST(DataExchange, ModeFollowsRadioOnlyAtNextSave) {
  WindowHarness h;
  h.dlg->OnInitDialog();
  h.view.controls[kIdcModeKvm].checked = false;
  h.view.controls[kIdcModeConfig].checked = true;
  EXPECT_EQ(h.dlg->DownloadMode, 0);
  h.dlg->UpdateData(true);
  EXPECT_EQ(h.dlg->DownloadMode, 2);
}

TEST(SysCommand, AboutForCommands0x10To0x1FOthersToDefault) {
  WindowHarness h;
  h.dlg->OnInitDialog();
  for (std::uint32_t command : {0x0010U, 0x001FU, 0x10010U}) h.dlg->OnSysCommand(command, 0);
  EXPECT_EQ(h.view.aboutShown, 3U);
  for (std::uint32_t command : {0x0020U, 0xF020U, 0xF060U}) h.dlg->OnSysCommand(command, 7);
  EXPECT_EQ(h.view.aboutShown, 3U);
  EXPECT_EQ(h.view.defaultCommands, (std::vector<std::uint32_t>{0x0020, 0xF020, 0xF060}));
}

TEST(LoadSettings, StoredPathShownAtStart) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string filePath;
    std::string boxText;
  };
  const Case cases[] = {
      {"path", "C:\\fw\\a.bin\r\n", "C:\\fw\\a.bin", "C:\\fw\\a.bin"},
      {"CR LF only", "\r\n", "", ""},
      {"two lines", "A\r\nB\r\n", "AB", "AB"},
      {"LF-only lines", "A\nB\n", "", ""},
      {"lone CR", "ab\rcd\r\n", "abd", "abd"},
  };
  for (const Case& c : cases) {
    WindowHarness h;
    WriteSettings(h, c.bytes);
    h.dlg->OnInitDialog();
    EXPECT_EQ(h.dlg->FilePath, c.filePath) << c.name;
    EXPECT_EQ(h.view.text(kIdcFilePath), c.boxText) << c.name;
  }
}

TEST(LoadSettings, SetupDatThatCannotBeReadIsAsIfMissing) {
  // A folder of that name, a file only the writer could never have made (binary
  // garbage of 1 MiB), and a file just inside the limit, which still counts.
  const std::string binary = std::string("\x00\xff\r\n", 4) + std::string(1 << 20, '\x01');
  struct Case {
    const char* name;
    std::function<void(const std::filesystem::path&)> make;
    std::string filePath;
  };
  const Case cases[] = {
      {"folder", [](const auto& p) { std::filesystem::create_directories(p / "inside"); }, "?????"},
      {"1 MiB", [&](const auto& p) { std::ofstream(p, std::ios::binary) << binary; }, "?????"},
      {"binary, small", [](const auto& p) { std::ofstream(p, std::ios::binary) << std::string("\x00\xff\r\n\x01", 5); },
       std::string("\x00\xff", 2)},
  };
  for (const Case& c : cases) {
    WindowHarness h;
    std::filesystem::create_directories(h.folder / "ZenthoIAP");
    c.make(h.folder / "ZenthoIAP" / "setup.dat");
    h.dlg->OnInitDialog();
    EXPECT_EQ(h.dlg->FilePath, c.filePath) << c.name;
    EXPECT_EQ(h.view.text(kIdcFilePath), c.filePath == "?????" ? "" : c.filePath) << c.name;
  }
}

TEST(Browse, FilterFollowsCheckedRadioAtPress) {
  WindowHarness h;
  h.dlg->OnInitDialog();
  h.dlg->OnBrowse();
  h.view.controls[kIdcModeKvm].checked = false;
  h.view.controls[kIdcModeConfig].checked = true;
  h.dlg->OnBrowse();
  h.view.controls[kIdcModeConfig].checked = false;
  h.view.controls[kIdcModeBootloader].checked = true;
  h.dlg->OnBrowse();
  EXPECT_EQ(h.view.dialogFilters,
            (std::vector<std::string>{"Binary files(*.bin)|*.bin|bin", "Text files(*.txt)|*.txt|txt",
                                      "Binary files(*.bin)|*.bin|bin"}));
}

TEST(Browse, ConfirmSetsPathCancelKeepsIt) {
  WindowHarness h;
  h.dlg->OnInitDialog();
  h.view.nextChosenFile = "/fw/new.bin";
  h.dlg->OnBrowse();
  EXPECT_EQ(h.dlg->FilePath, "/fw/new.bin");
  EXPECT_EQ(h.view.text(kIdcFilePath), "/fw/new.bin");
  h.dlg->OnBrowse();  // cancelled
  EXPECT_EQ(h.dlg->FilePath, "/fw/new.bin");
  EXPECT_EQ(h.view.text(kIdcFilePath), "/fw/new.bin");
}

}  // namespace
}  // namespace zentho::window::test
