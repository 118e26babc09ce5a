// Terminals and open-failure advice on Linux.
#include "app/cli/console_platform.h"

#include <atomic>
#include <csignal>
#include <thread>

#include <pthread.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace zentho::cli {

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

bool IsTerminalWithEscapes(std::FILE* stream) { return IsTerminal(stream); }

std::size_t TerminalColumns(std::FILE* stream) {
  winsize size{};
  if (ioctl(fileno(stream), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

std::string_view OpenFailureHint() {
  return "install the udev rule resources/70-zentho-iap.rules in /etc/udev/rules.d, "
         "then plug the device in again";
}

namespace {

std::stop_source& SecondSource() {
  static std::stop_source source;
  return source;
}
std::atomic<bool> secondStopsGracefully{false};

}  // namespace

std::stop_token StopOnInterrupt() {
  static std::stop_source source;
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  // Blocked here, and so in every thread started later: only the watcher takes them.
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread([signals] {
    int signal = 0;
    sigwait(&signals, &signal);
    source.request_stop();
    sigwait(&signals, &signal);
    if (secondStopsGracefully) {
      SecondSource().request_stop();
      sigwait(&signals, &signal);
    }
    _exit(128 + signal);
  }).detach();
  return source.get_token();
}

void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

std::stop_token StopOnSecondInterrupt() {
  secondStopsGracefully = true;
  return SecondSource().get_token();
}

}  // namespace zentho::cli
