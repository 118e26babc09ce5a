// The real Qt window over the simulated bus, with recorded tones and trace, a manual
// clock for the session and a settings file in a fresh folder.
#pragma once

#include <QTemporaryDir>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/qt/iap_window.h"
#include "app/qt/log_pane.h"
#include "app/qt/qt_window_thread.h"
#include "app/window/iap_dlg.h"
#include "device/simulated/simulated_bus.h"
#include "device/simulated/simulated_device.h"
#include "tests/app/window/recording_trace.h"
#include "transfer/clock.h"

namespace zentho::qt::test {

class ListTones final : public window::TonePlayer {
 public:
  void beep(unsigned frequencyHz, unsigned durationMs) override;
  std::vector<std::pair<unsigned, unsigned>> played() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::pair<unsigned, unsigned>> played_;
};

using ListTrace = window::test::RecordingTrace;

class FixedLocalTime final : public window::LocalTimeSource {
 public:
  window::LocalTime now() override { return {2026, 12, 2, 8, 22, 0, 0, 0}; }
};

struct QtHarness {
  // `tracePath`: the window's --trace FILE, as main() gives it; empty: none.
  explicit QtHarness(const std::string& tracePath = {});
  ~QtHarness();

  std::string settingsFile() const;
  // Writes setup.dat before the window starts.
  void storePath(const std::string& filePath);
  std::string writeFirmware(const std::string& name, std::size_t length);
  // Processes events until the job has ended.
  void waitForJobEnd();
  const std::string& log() const { return window->logPane().text(); }

  QTemporaryDir folder;
  ManualClock clock;
  sim::SimulatedBus bus;
  std::shared_ptr<sim::SimulatedDevice> device;
  std::string devicePath;
  QtWindowThread windowThread;
  ListTones tones;
  ListTrace trace;
  FixedLocalTime localTime;
  window::WorkerThreads workers;
  std::unique_ptr<window::CIapDlg> dlg;
  std::unique_ptr<IapWindow> window;
};

std::string FirmwareBytes(std::size_t length);

}  // namespace zentho::qt::test
