// CIapApp on Windows: the socket layer, the control look, and the main dialog run modally.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace zentho::win32 {

class CIapApp {
 public:
  // Always false: the program ends when the window has, or when start-up failed.
  bool InitInstance(HINSTANCE instance, const std::vector<std::string>& arguments);
};

// The application's name: the executable's file name without folder and extension.
std::string ApplicationName();

}  // namespace zentho::win32
