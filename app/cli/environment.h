// What a verb may touch outside itself, injected so that tests run it in-process with a
// manual clock, captured output and a simulated bus.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <stop_token>

#include "device/hid_platform.h"
#include "transfer/clock.h"

namespace zentho::cli {

struct Environment {
  std::FILE* out = stdout;
  std::FILE* err = stderr;
  std::FILE* in = stdin;
  bool inIsTerminal = false;   // the station's live display takes typed lines
  bool errIsTerminal = false;  // the progress bar is drawn only on a terminal
  bool outIsTerminal = false;  // the station's live display needs one
  // The width of `out` as a terminal, asked at each redraw of the live display; unset or
  // 0, lines are not cut.
  std::function<std::size_t()> outColumns;
  Clock* clock = nullptr;
  // The machine's HID interfaces.
  std::function<std::shared_ptr<device::HidPlatform>()> systemPlatform;
  // A simulated bus holding `count` healthy devices, for --simulate[=N].
  std::function<std::shared_ptr<device::HidPlatform>(unsigned count)> simulatedPlatform;
  // Asks running downloads to stop (Ctrl-C).
  std::stop_token stop;
  // For verbs whose first Ctrl-C only drains: the second one's stop. Unset, there is
  // no second stage.
  std::function<std::stop_token()> stopOnSecondInterrupt;
  // The time of day for records; unset, the system's.
  std::function<std::chrono::system_clock::time_point()> wallClock;
};

// Standard streams, the system clock, the system's HID backend and the default bus.
Environment SystemEnvironment(Clock& clock);

}  // namespace zentho::cli
