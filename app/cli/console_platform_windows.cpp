// Terminals and open-failure advice on Windows.
#include "app/cli/console_platform.h"

#include <io.h>
#include <windows.h>

namespace zentho::cli {

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

// Windows needs no rule to open a HID interface; another program holding it is the
// usual cause, and the system's reason says so.
std::string_view OpenFailureHint() { return {}; }

namespace {

std::stop_source& InterruptSource() {
  static std::stop_source source;
  return source;
}

BOOL WINAPI OnConsoleControl(DWORD) {
  // The first Ctrl-C asks for a stop; later ones get the system's default (ending).
  return InterruptSource().request_stop() ? TRUE : FALSE;
}

}  // namespace

std::stop_token StopOnInterrupt() {
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  return InterruptSource().get_token();
}

// Windows raises no signal for a closed pipe: the write just fails.
void IgnoreBrokenPipes() {}

}  // namespace zentho::cli
