// Terminals and open-failure advice on Windows.
#include "app/cli/console_platform.h"

#include <io.h>

#include <atomic>
#include <windows.h>

namespace zentho::cli {

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

bool IsTerminalWithEscapes(std::FILE* stream) {
  if (!IsTerminal(stream)) return false;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return false;
  // Windows 10 and later act on escape sequences once asked to; earlier ones refuse.
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

std::size_t TerminalColumns(std::FILE* stream) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (handle == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(handle, &info)) return 0;
  // The visible window, not the buffer, which is often far wider.
  return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

// Windows needs no rule to open a HID interface; another program holding it is the
// usual cause, and the system's reason says so.
std::string_view OpenFailureHint() { return {}; }

namespace {

std::stop_source& InterruptSource() {
  static std::stop_source source;
  return source;
}

std::stop_source& SecondSource() {
  static std::stop_source source;
  return source;
}
std::atomic<bool> secondStopsGracefully{false};

BOOL WINAPI OnConsoleControl(DWORD) {
  // The first Ctrl-C asks for a stop; later ones get the system's default (ending),
  // unless the verb asked for a second stage.
  if (InterruptSource().request_stop()) return TRUE;
  if (secondStopsGracefully && SecondSource().request_stop()) return TRUE;
  return FALSE;
}

}  // namespace

std::stop_token StopOnInterrupt() {
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  return InterruptSource().get_token();
}

// Windows raises no signal for a closed pipe: the write just fails.
void IgnoreBrokenPipes() {}

std::stop_token StopOnSecondInterrupt() {
  secondStopsGracefully = true;
  return SecondSource().get_token();
}

}  // namespace zentho::cli
