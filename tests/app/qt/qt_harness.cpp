// The Qt test harness.
#include "qt_harness.h"

#include <QCoreApplication>
#include <QDir>
#include <fstream>

#include "app/window/trace_tap.h"

namespace zentho::qt::test {

void ListTones::beep(unsigned frequencyHz, unsigned durationMs) {
  std::lock_guard lock(mutex_);
  played_.emplace_back(frequencyHz, durationMs);
}

std::vector<std::pair<unsigned, unsigned>> ListTones::played() const {
  std::lock_guard lock(mutex_);
  return played_;
}

QtHarness::QtHarness(const std::string& tracePath) {
  device = std::make_shared<sim::SimulatedDevice>(sim::SimulatedDeviceOptions{}, clock);
  devicePath = bus.plug(device);
  window::WindowServices services{windowThread, bus,     tones,
                                  trace,        localTime, clock,
                                  workers,      settingsFile()};
  if (!tracePath.empty()) {
    services.channelTap = window::TraceTap(tracePath, clock, trace);
    services.outputs.push_back({"--trace", tracePath});
  }
  dlg = std::make_unique<window::CIapDlg>(services);
  window = std::make_unique<IapWindow>(*dlg);
}

QtHarness::~QtHarness() {
  if (dlg->jobRunning()) waitForJobEnd();
  window.reset();
  dlg.reset();
}

std::string QtHarness::settingsFile() const {
  return QDir(folder.path()).filePath(QStringLiteral("ZenthoIAP/setup.dat")).toStdString();
}

void QtHarness::storePath(const std::string& filePath) {
  QDir(folder.path()).mkpath(QStringLiteral("ZenthoIAP"));
  std::ofstream(settingsFile(), std::ios::binary) << filePath << "\r\n";
}

std::string QtHarness::writeFirmware(const std::string& name, std::size_t length) {
  const std::string path = QDir(folder.path()).filePath(QString::fromStdString(name)).toStdString();
  std::ofstream(path, std::ios::binary) << FirmwareBytes(length);
  return path;
}

void QtHarness::waitForJobEnd() {
  // The worker's requests are queued events, so waiting for events cannot miss the end.
  while (dlg->jobRunning()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

std::string FirmwareBytes(std::size_t length) {
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(i * 13 + 1);
  return bytes;
}

}  // namespace zentho::qt::test
