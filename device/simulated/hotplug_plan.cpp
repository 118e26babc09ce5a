// Reading and playing hot-plug plans.
#include "device/simulated/hotplug_plan.h"

#include <algorithm>
#include <map>
#include <sstream>

namespace zentho::sim {
namespace {

bool ParseBlock(const std::string& text, unsigned& block) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  block = static_cast<unsigned>(std::stoul(text));
  return block <= 0xFFFF;
}

}  // namespace

std::optional<std::vector<PlanStep>> ParsePlan(std::istream& in, std::string& error,
                                               std::stop_token stop) {
  std::vector<PlanStep> steps;
  std::string text;
  for (unsigned number = 1; std::getline(in, text); ++number) {
    if (stop.stop_requested()) {
      error = kPlanInterrupted;
      return std::nullopt;
    }
    if (!text.empty() && text.back() == '\r') text.pop_back();
    std::istringstream line(text);
    std::string seconds;
    if (!(line >> seconds) || seconds.front() == '#') continue;
    auto fail = [&](const std::string& why) {
      error = "plan line " + std::to_string(number) + ": " + why;
      return std::nullopt;
    };
    PlanStep step;
    std::size_t used = 0;
    double at = -1;
    try {
      at = std::stod(seconds, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used != seconds.size() || !(at >= 0 && at <= 86400)) return fail("\"" + seconds + "\" is not a time in seconds");
    step.at = std::chrono::milliseconds{static_cast<long long>(at * 1000 + 0.5)};
    std::string action;
    line >> action >> step.port;
    if (action != "plug" && action != "unplug") return fail("the action is plug or unplug");
    if (step.port.empty()) return fail("a port is needed");
    step.action = action == "plug" ? PlanStep::Action::Plug : PlanStep::Action::Unplug;
    for (std::string option; line >> option;) {
      const std::size_t equals = option.find('=');
      const std::string key = option.substr(0, equals);
      const std::string value = equals == std::string::npos ? std::string{} : option.substr(equals + 1);
      unsigned block = 0;
      if (step.action == PlanStep::Action::Plug && key == "serial" && !value.empty()) {
        step.serial = value;
      } else if (step.action == PlanStep::Action::Plug && key == "refuse" && ParseBlock(value, block)) {
        step.faults.faults.push_back({Phase::Transfer, block, FaultKind::ReportState, 1, 8, 0});
      } else if (step.action == PlanStep::Action::Plug && key == "stall" && ParseBlock(value, block)) {
        step.faults.faults.push_back({Phase::Transfer, block, FaultKind::NeverAcknowledge, 1, 0, 0});
      } else {
        return fail("\"" + option + "\" is not serial=TEXT, refuse=BLOCK or stall=BLOCK");
      }
    }
    steps.push_back(std::move(step));
  }
  std::stable_sort(steps.begin(), steps.end(),
                   [](const PlanStep& a, const PlanStep& b) { return a.at < b.at; });
  return steps;
}

PlanPlayer::PlanPlayer(std::shared_ptr<SimulatedBus> bus, std::vector<PlanStep> steps,
                       Clock& clock, TimingModel timing)
    : bus_(std::move(bus)), steps_(std::move(steps)), clock_(clock), timing_(timing),
      thread_([this](std::stop_token stop) { play(stop); }) {}

PlanPlayer::~PlanPlayer() {
  thread_.request_stop();
  thread_.join();
}

void PlanPlayer::play(std::stop_token stop) {
  const Clock::time_point origin = clock_.now();
  std::map<std::string, std::string> pathAtPort;
  for (const PlanStep& step : steps_) {
    if (!clock_.sleepUntil(origin + step.at, stop)) return;
    auto plugged = pathAtPort.find(step.port);
    if (step.action == PlanStep::Action::Unplug) {
      if (plugged == pathAtPort.end()) continue;
      bus_->unplug(plugged->second);
      pathAtPort.erase(plugged);
      continue;
    }
    if (plugged != pathAtPort.end()) bus_->unplug(plugged->second);  // a new board in its place
    SimulatedDeviceOptions options;
    options.faults = step.faults;
    options.timing = timing_;
    options.recordTrace = false;
    options.keepImages = false;
    BusInterfaceOptions where;
    where.portPath = step.port;
    where.serialNumber = step.serial;
    pathAtPort[step.port] =
        bus_->plug(std::make_shared<SimulatedDevice>(options, clock_), std::move(where));
  }
}

}  // namespace zentho::sim
