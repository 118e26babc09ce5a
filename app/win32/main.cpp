// ZenthoIAP.exe: the firmware download window on Windows.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/win32/iap_app.h"

namespace {

// The one application object.
zentho::win32::CIapApp theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  std::vector<std::string> arguments;
  for (int i = 0; i < __argc; ++i) arguments.emplace_back(__argv[i]);
  theApp.InitInstance(instance, arguments);
  return 0;
}
