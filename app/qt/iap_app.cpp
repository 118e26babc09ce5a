// Start-up: the platform step, the services, CIapDlg and its Qt window.
#include "app/qt/iap_app.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QShortcut>
#include <string>
#include <vector>

#include "app/qt/alsa_tones.h"
#include "app/qt/desktop_services.h"
#include "app/qt/iap_window.h"
#include "app/qt/qt_window_thread.h"
#include "app/window/control_ids.h"
#include "app/window/start_options.h"
#include "app/window/trace_tap.h"
#include "app/window/window_strings.h"
#include "device/simulated/simulated_platform.h"
#include "device/system_hid_platform.h"

namespace zentho::qt {
namespace {

// Linux has no socket layer to start before use: the step always succeeds.
bool StartPlatformLayer() { return true; }

}  // namespace

QString ApplicationName(const QStringList& arguments) {
  return arguments.isEmpty() ? QString() : QFileInfo(arguments.first()).completeBaseName();
}

void ShowStartupFailure(const QString& applicationName) {
  const std::string_view message = window::text::kInitFailed;
  QMessageBox box(QMessageBox::Warning, applicationName,
                  QString::fromLatin1(message.data(), static_cast<qsizetype>(message.size())),
                  QMessageBox::Ok);
  box.exec();
}

bool CIapApp::InitInstance(const QStringList& arguments) {
  const QString name = ApplicationName(arguments);
  QApplication::setApplicationName(name);
  if (!StartPlatformLayer()) {
    ShowStartupFailure(name);
    return false;
  }

  StderrTrace trace;
  AlsaTones tones(trace);
  QtLocalTime localTime;
  SystemClock clock;
  window::WorkerThreads workers;
  QtWindowThread windowThread;
  std::vector<std::string> words;
  for (const QString& argument : arguments) words.push_back(argument.toStdString());
  const window::StartOptions options = window::ParseStartOptions(words);
  std::unique_ptr<device::HidPlatform> platform =
      options.simulate ? sim::MakeSimulatedPlatform(1, clock) : device::MakeSystemHidPlatform();

  window::WindowServices services{windowThread, *platform, tones, trace, localTime,
                                  clock,        workers,   SettingsPath()};
  if (options.tracePath) {
    services.channelTap = window::TraceTap(*options.tracePath, clock, trace);
    services.outputs.push_back({"--trace", *options.tracePath});
  }
  window::CIapDlg dlg(services);
  IapWindow window(dlg);
  window_ = &window;
  QShortcut help(QKeySequence::HelpContents, &window);
  QObject::connect(&help, &QShortcut::activated, &window, [this] { OnHelp(); });
  window.start();
  window.exec();
  window_ = nullptr;
  return false;
}

void CIapApp::OnHelp() {
  if (window_ != nullptr) window_->view().showAbout();
}

}  // namespace zentho::qt
