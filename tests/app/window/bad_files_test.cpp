// Files a careless operator can hand the window (POSIX file kinds): each ends the job
// with the session's message and Burn fail before anything is sent, and odd bytes in a
// path survive a download and a round trip through setup.dat.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/window/control_ids.h"
#include "app/window/trace_tap.h"
#include "tests/support/hang_guard.h"
#include "window_fakes.h"

namespace zentho::window::test {
namespace {

const std::string kStartLine = "\r\n--- Start to transmit Runtime firmware to Orvane device ---\r\n";
const std::string kCannotOpen = "ERROR: Cannot open this Runtime binary file!!\r\n";
const std::string kBurnFail = "\r\nBurn fail\r\n";

using testing::WithHangGuard;

std::filesystem::path FreshTestFolder() {
  static int counter = 0;
  const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("zentho-bad-files-" + std::to_string(::getpid()) + "-" +
                                        std::to_string(counter++));
  std::filesystem::create_directories(folder);
  return folder;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

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

// The window's --trace against the file chosen at the moment Download is pressed, and
// against what it cannot write: the same cases as the command line's outputs.
TEST(BadFiles, TraceThatIsTheChosenFileIsRefusedAndOneThatCannotBeWrittenIsSaid) {
  const std::string kPassEnd = "--- Runtime firmware is transmitted successfully ---";
  struct Case {
    const char* name;
    std::string trace;      // "@fw": the chosen firmware; "@link", "@hard": links to it
    std::string refusedAs;  // the chosen file's path in the refusal; empty: not refused
    std::string traceLine;  // the debug trace after the download
  };
  const std::vector<Case> cases = {
      {"the chosen file itself", "@fw", "@fw", ""},
      {"a symbolic link to it", "@link", "@fw", ""},
      {"a hard link to it", "@hard", "@fw", ""},
      {"a full disk", "/dev/full", "", "Cannot record the report trace to /dev/full: No space left on device\n"},
      {"a FIFO", "@fifo", "", "Cannot record the report trace to @fifo: is not a regular file\n"},
      {"a folder", "@folder", "", "Cannot record the report trace to @folder: is a directory\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::filesystem::path folder = FreshTestFolder();
    const std::string firmware = (folder / "fw.bin").string();
    std::ofstream(firmware, std::ios::binary) << FirmwareBytes(1500);
    std::filesystem::create_symlink(firmware, folder / "link");
    std::filesystem::create_hard_link(firmware, folder / "hard");
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    const auto place = [&](std::string text) {
      for (const auto& [from, to] : {std::pair<std::string, std::string>{"@fw", firmware},
                                     {"@link", (folder / "link").string()},
                                     {"@hard", (folder / "hard").string()},
                                     {"@fifo", (folder / "fifo").string()},
                                     {"@folder", folder.string()}}) {
        for (std::size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, from.size(), to);
      }
      return text;
    };
    const std::string tracePath = place(c.trace);
    WindowHarness h(true, nullptr, nullptr, {{"--trace", tracePath}});
    h.channelTap = TraceTap(tracePath, h.clock, h.trace);
    h.dlg->OnInitDialog();
    h.dlg->FilePath = firmware;
    h.connect();
    WithHangGuard([&] { h.runJob(); return 0; });

    EXPECT_EQ(ReadBytes(firmware), FirmwareBytes(1500));
    if (!c.refusedAs.empty()) {
      EXPECT_EQ(h.view.log, "\r\nNot downloading: refusing to write --trace " + tracePath +
                                ": it is the same file as the chosen file " + place(c.refusedAs) +
                                "\r\n" + kBurnFail);
      EXPECT_EQ(h.view.result, ResultState::Fail);
      EXPECT_TRUE(h.device->trace().empty());
    } else {
      EXPECT_NE(h.view.log.find(kPassEnd), std::string::npos) << h.view.log;
      EXPECT_EQ(h.view.result, ResultState::Pass);
      // A file that can't be made is said before the session starts, a failed write at
      // the download's end.
      const bool full = c.trace == "/dev/full";
      std::vector<std::string> expected;
      if (!c.traceLine.empty() && !full) expected.push_back(place(c.traceLine));
      expected.push_back("Start download file to device\n");
      if (full) expected.push_back(c.traceLine);
      EXPECT_EQ(h.trace.lines(), expected);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
}

TEST(BadFiles, SetupDatLinkedToNothingIsLeftAloneAtCloseAndTheTraceSaysSo) {
  WindowHarness h;
  const std::filesystem::path setup = h.folder / "ZenthoIAP" / "setup.dat";
  std::filesystem::create_directories(setup.parent_path());
  std::filesystem::create_symlink(h.folder / "nowhere", setup);
  h.dlg->OnInitDialog();
  h.dlg->OnClose();
  EXPECT_TRUE(std::filesystem::is_symlink(setup));
  EXPECT_FALSE(std::filesystem::exists(h.folder / "nowhere"));
  const std::vector<std::string> lines = h.trace.lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "Cannot save settings to " + setup.string() + ": it links to nothing: left as it is\n"),
            lines.end());
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
