// A scripted production line for the simulated bus: boards plugged in and taken out at
// given times, some with faults (station --simulate=plan:FILE).
#pragma once

#include <chrono>
#include <istream>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "device/simulated/simulated_bus.h"
#include "device/simulated/simulated_device.h"
#include "transfer/clock.h"

namespace zentho::sim {

// One line of a plan: "SECONDS plug PORT [serial=TEXT] [refuse=BLOCK] [stall=BLOCK]" or
// "SECONDS unplug PORT". refuse: the board answers state 8 to that block; stall: it
// never acknowledges it.
struct PlanStep {
  enum class Action { Plug, Unplug };
  std::chrono::milliseconds at{0};
  Action action = Action::Plug;
  std::string port;
  std::string serial;
  FaultPlan faults;
};

// Steps in time order; blank lines and lines starting with '#' are skipped. Nothing when
// a line can't be read; `error` then names it.
// `stop` is looked at before each line: a long plan gives way to Ctrl-C, with `error`
// then kPlanInterrupted.
std::optional<std::vector<PlanStep>> ParsePlan(std::istream& in, std::string& error,
                                               std::stop_token stop = {});
inline constexpr const char* kPlanInterrupted = "interrupted by the user";

// Carries the plan out on its own thread, on `clock`, from construction.
class PlanPlayer {
 public:
  PlanPlayer(std::shared_ptr<SimulatedBus> bus, std::vector<PlanStep> steps, Clock& clock,
             TimingModel timing);
  ~PlanPlayer();  // stops and joins
  PlanPlayer(const PlanPlayer&) = delete;
  PlanPlayer& operator=(const PlanPlayer&) = delete;

 private:
  void play(std::stop_token stop);

  std::shared_ptr<SimulatedBus> bus_;
  std::vector<PlanStep> steps_;
  Clock& clock_;
  TimingModel timing_;
  std::jthread thread_;
};

}  // namespace zentho::sim
