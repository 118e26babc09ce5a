// CIapApp: the program's start, its one failure message and the modal main window.
#pragma once

#include <QStringList>

namespace zentho::qt {

class IapWindow;

class CIapApp {
 public:
  // Needs a QApplication. Runs the main window until it ends; returns false, which ends
  // the program. "--simulate" puts the simulated device on the bus in place of the
  // system's HID devices; "--trace FILE" records each download's report exchanges.
  bool InitInstance(const QStringList& arguments);
  // The Help command (F1): the program has no help pages, so it shows the About box.
  void OnHelp();

 private:
  IapWindow* window_ = nullptr;
};

// The application's name: the executable's file name without folder and extension.
QString ApplicationName(const QStringList& arguments);
// The start-up failure message, owned by no window, with OK and the exclamation icon.
void ShowStartupFailure(const QString& applicationName);

}  // namespace zentho::qt
