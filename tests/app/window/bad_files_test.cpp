// Files a careless operator can hand the window (POSIX file kinds): each ends the job
// with the session's message and Burn fail before anything is sent, and odd bytes in a
// path survive a download and a round trip through setup.dat.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "app/window/control_ids.h"
#include "window_fakes.h"

namespace zentho::window::test {
namespace {

const std::string kStartLine = "\r\n--- Start to transmit Runtime firmware to Orvane device ---\r\n";
const std::string kCannotOpen = "ERROR: Cannot open this Runtime binary file!!\r\n";
const std::string kBurnFail = "\r\nBurn fail\r\n";

TEST(BadFiles, WhatIsNotARegularFileFailsBeforeAnyReportInEveryMode) {
  for (int mode : {0, 1, 2}) {  // the radio buttons 1034-1036
    WindowHarness h;
    const std::filesystem::path fifo = h.folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {h.folder.string(), fifo.string(), std::string("/dev/zero")}) {
      SCOPED_TRACE(path + " in mode " + std::to_string(mode));
      h.dlg->OnInitDialog();
      h.dlg->FilePath = path;
      h.view.setChecked(kIdcModeKvm + mode, true);
      for (int other = 0; other < 3; ++other) {
        if (other != mode) h.view.setChecked(kIdcModeKvm + other, false);
      }
      if (!h.dlg->Connected) h.connect();
      h.runJob();
      EXPECT_EQ(h.view.log, kStartLine + kCannotOpen + kBurnFail);
      EXPECT_EQ(h.view.result, ResultState::Fail);
      EXPECT_TRUE(h.device->trace().empty());
      h.dlg->OnConnect();  // Disconnect: Download comes back with the next Connect
    }
  }
}

TEST(BadFiles, PathWithSpacesNewlinesAndNonUtf8BytesDownloadsAndIsStoredAsItIs) {
  std::string stored;
  std::string path;
  {
    WindowHarness h;
    h.dlg->OnInitDialog();
    path = h.writeFile("my fw\nline two \xff\xfe.bin", FirmwareBytes(1500));
    h.view.nextChosenFile = path;
    h.dlg->OnBrowse();
    h.connect();
    h.runJob();
    EXPECT_EQ(h.view.result, ResultState::Pass);
    const std::optional<sim::ReceivedImage> image = h.device->image(ImageType::KvmSystem);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(std::string(image->bytes.begin(), image->bytes.end()), FirmwareBytes(1500));
    h.dlg->OnClose();
    std::ifstream file(h.folder / "ZenthoIAP" / "setup.dat", std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    stored = bytes.str();
    EXPECT_EQ(stored, path + "\r\n");
    // The next run, in the same folder, shows the path byte for byte.
    WindowHarness next;
    std::filesystem::create_directories(next.folder / "ZenthoIAP");
    std::ofstream(next.folder / "ZenthoIAP" / "setup.dat", std::ios::binary) << stored;
    next.dlg->OnInitDialog();
    EXPECT_EQ(next.dlg->FilePath, path);
    EXPECT_EQ(next.view.text(kIdcFilePath), path);
  }
}

}  // namespace
}  // namespace zentho::window::test
