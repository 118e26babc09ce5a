// ZenthoIAP: the firmware download window.
#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

#include "app/qt/iap_app.h"
#include "app/window/start_options.h"

namespace {

// The one application object.
zentho::qt::CIapApp theApp;

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // Qt has taken its own options (-platform, -style) out by now; anything left that the
  // window does not know ends the program before a window opens.
  std::vector<std::string> words;
  for (const QString& argument : QApplication::arguments()) words.push_back(argument.toStdString());
  const zentho::window::StartOptions options = zentho::window::ParseStartOptions(words);
  if (const auto answer = zentho::window::AnswerInsteadOfWindow(options)) {
    std::fputs(answer->text.c_str(), answer->error ? stderr : stdout);
    return answer->exitCode;
  }
  theApp.InitInstance(QApplication::arguments());
  return 0;
}
