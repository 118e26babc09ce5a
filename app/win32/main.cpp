// ZenthoIAP.exe: the firmware download window on Windows.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/win32/iap_app.h"
#include "app/window/start_options.h"

namespace {

// The one application object.
zentho::win32::CIapApp theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  std::vector<std::string> arguments;
  for (int i = 0; i < __argc; ++i) arguments.emplace_back(__argv[i]);
  // A GUI program has no console: the usage goes to the start-up message box.
  const zentho::window::StartOptions options = zentho::window::ParseStartOptions(arguments);
  if (const auto answer = zentho::window::AnswerInsteadOfWindow(options)) {
    const UINT icon = answer->error ? UINT{MB_ICONEXCLAMATION} : UINT{MB_ICONINFORMATION};
    MessageBoxA(nullptr, answer->text.c_str(), "ZenthoIAP", UINT{MB_OK} | icon);
    return answer->exitCode;
  }
  theApp.InitInstance(instance, arguments);
  return 0;
}
