// --simulate: N simulated devices on a simulated bus, or one that replays a trace.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "app/cli/target.h"
#include "device/hid_platform.h"
#include "transfer/clock.h"

namespace zentho::cli {

inline constexpr unsigned kMaxSimulatedDevices = 64;

// "--simulate" alone means one device; "=N" N devices; anything else names a trace file
// (write "./3" for a trace file called 3, "./true" for one called true).
struct SimulateChoice {
  unsigned count = 0;
  std::string tracePath;
};
SimulateChoice ParseSimulate(const std::string& value);
// Refuses a device count outside 1..kMaxSimulatedDevices at parse time.
CLI::Validator SimulateValidator();
// The same for verbs that take a device count only.
CLI::Validator SimulateCountValidator();

// A device that replays the trace at `path`, running on `clock` (virtual time, so that a
// replay takes no longer than it takes to compute). Nothing when the file can't be read
// or is not a trace; `error` says why.
std::optional<Target> ReplayTarget(const std::string& path, device::HidIds ids, Clock& clock,
                                   std::string& error);

}  // namespace zentho::cli
