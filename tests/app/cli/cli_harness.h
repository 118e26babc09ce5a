// Runs zentho-iap in-process on a manual clock, with simulated buses for both the
// machine's interfaces and --simulate, and captures what it prints.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include "app/cli/environment.h"
#include "device/simulated/simulated_bus.h"
#include "device/simulated/simulated_device.h"
#include "transfer/clock.h"

namespace zentho::testing {

struct CliResult {
  int code = -1;
  std::string out;
  std::string err;
};

class CliHarness {
 public:
  CliHarness();

  // A device on `bus`, by default with no bus latency (so that the manual clock moves
  // only for pauses).
  std::shared_ptr<sim::SimulatedDevice> plug(sim::SimulatedBus& bus, sim::FaultPlan faults = {},
                                             sim::BusInterfaceOptions options = {},
                                             sim::TimingModel timing = {});

  CliResult run(std::vector<std::string> args);

  ManualClock clock;
  // Plays Ctrl-C: request_stop() asks the running downloads to stop.
  std::stop_source stop;
  // What the CLI sees as the machine's HID interfaces: by default `systemBus`.
  std::shared_ptr<sim::SimulatedBus> systemBus = std::make_shared<sim::SimulatedBus>();
  std::function<std::shared_ptr<device::HidPlatform>()> systemPlatform;
  // What --simulate=N gets; by default N healthy devices, kept in `simulated`.
  std::function<std::shared_ptr<device::HidPlatform>(unsigned)> simulatedPlatform;
  std::vector<std::shared_ptr<sim::SimulatedDevice>> simulated;
  // Set, the standard output goes there (kept open, not captured).
  std::FILE* out = nullptr;
};

// Splits captured output into lines without their LF.
std::vector<std::string> Lines(const std::string& text);

}  // namespace zentho::testing
