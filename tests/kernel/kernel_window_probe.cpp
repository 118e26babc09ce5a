// The main window's logic over the real Linux backend, with a recording view, for the
// kernel test: connects, downloads FILE in KVM mode and, once MARK exists (the board
// writes it when a chosen block arrives), unplugs the board by writing to UDC_FILE.
//
//   kernel_window_probe FILE MARK UDC_FILE
//
// Prints the log pane's text byte for byte on stdout, then the window's debug trace on
// stderr; exits 0 when the window ended Disconnected with no job running, 1 otherwise.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "app/window/control_ids.h"
#include "app/window/iap_dlg.h"
#include "device/system_hid_platform.h"
#include "transfer/clock.h"
#include "window_fakes.h"

using namespace zentho;
using namespace zentho::window;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: kernel_window_probe FILE MARK UDC_FILE\n");
    return 2;
  }
  const std::string file = argv[1], mark = argv[2], udcFile = argv[3];
  const std::filesystem::path settings =
      std::filesystem::temp_directory_path() / "zentho-window-probe" / "setup.dat";

  std::unique_ptr<device::HidPlatform> platform = device::MakeSystemHidPlatform();
  test::QueuedWindowThread windowThread;
  test::RecordingTones tones;
  test::RecordingTrace trace;
  test::FakeLocalTime localTime;
  SystemClock clock;
  WorkerThreads workers;
  test::RecordingView view;
  view.controls[kIdcFilePath] = {"", false, false};
  view.controls[kIdcDownload] = {"Download", true, false};
  view.controls[kIdcConnect] = {"Connect", true, false};
  CIapDlg dlg({windowThread, *platform, tones, trace, localTime, clock, workers, settings});
  dlg.attachView(&view);

  dlg.OnConnect();
  bool ok = dlg.Connected;
  if (ok) {
    view.setChecked(kIdcModeKvm, true);
    view.setText(kIdcFilePath, file);
    dlg.FilePath = file;
    dlg.DownloadMode = 0;
    dlg.OnDownload();

    // The unplug, from another thread, so that the window's thread keeps pumping.
    std::atomic<bool> gaveUp{false};
    std::jthread unplug([&](std::stop_token stop) {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
      while (!stop.stop_requested() && !std::filesystem::exists(mark)) {
        if (std::chrono::steady_clock::now() > deadline) {
          gaveUp = true;
          windowThread.post([] {});
          return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      std::ofstream(udcFile) << "\n";
      // Wakes the pump should the window hear nothing.
      for (int i = 0; i < 600 && !stop.stop_requested(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        windowThread.post([] {});
      }
      gaveUp = true;
    });
    windowThread.pumpUntil([&] { return gaveUp || (!dlg.jobRunning() && !dlg.Connected); });
    ok = !dlg.jobRunning() && !dlg.Connected;
    unplug.request_stop();
  }
  std::fwrite(view.log.data(), 1, view.log.size(), stdout);
  for (const std::string& line : trace.lines()) std::fprintf(stderr, "trace: %s", line.c_str());
  std::fprintf(stderr, "caption: %s, download %s\n", view.text(kIdcConnect).c_str(),
               view.controls[kIdcDownload].enabled ? "enabled" : "disabled");
  dlg.OnClose();
  windowThread.pumpPending();
  return ok ? 0 : 1;
}
