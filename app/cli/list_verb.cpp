// The list verb over the interface survey.
#include "app/cli/list_verb.h"

#include <algorithm>

#include "app/cli/console_platform.h"
#include "app/cli/hex_id.h"
#include "app/cli/json_output.h"
#include "app/cli/reporter.h"
#include "app/cli/simulation.h"
#include "device/interface_survey.h"
#include "device/link_messages.h"

namespace zentho::cli {

void ListVerb::options(CLI::App& command) {
  AddIdOptions(command, ids_);
  command.add_flag("--json", json_, "One JSON object per interface");
  command.add_flag("--simulate", simulate_, "List simulated devices (one, or N) instead")
      ->option_text("[=N]")
      ->check(SimulateCountValidator());
}

Outcome ListVerb::run(Environment& environment) {
  const unsigned simulated = ParseSimulate(simulate_).count;
  std::shared_ptr<device::HidPlatform> platform =
      simulated > 0 ? environment.simulatedPlatform(simulated) : environment.systemPlatform();
  std::vector<device::InterfaceReport> matching;
  for (device::InterfaceReport& report : device::SurveyInterfaces(*platform)) {
    if (report.status == device::InterfaceSlot::Status::Path && report.ids == ids_) {
      matching.push_back(std::move(report));
    }
  }
  if (matching.empty()) {
    Report(environment.err, "no HID interface " + FormatIds(ids_) + " present");
    if (json_) WriteJsonError(environment.out, "no-device", "no HID interface " + FormatIds(ids_) + " present");
    return Outcome::NoDevice;
  }

  std::size_t pathWidth = 0;
  for (const auto& report : matching) pathWidth = std::max(pathWidth, report.path.size());
  const std::string_view hint = OpenFailureHint();
  for (const device::InterfaceReport& report : matching) {
    if (json_) {
      nlohmann::ordered_json object = {{"path", report.path},
                               {"vid", FormatHexId(report.ids->vendorId)},
                               {"pid", FormatHexId(report.ids->productId)},
                               {"openable", report.openable}};
      if (!report.portPath.empty()) object["port"] = report.portPath;
      if (!report.serialNumber.empty()) object["serial"] = report.serialNumber;
      if (report.unsuitable) {
        object["download"] = false;
        object["reason"] = *report.unsuitable;
      }
      if (!report.idsError.empty()) object["error"] = report.idsError;
      if (!report.openable) {
        object["error"] = report.openError;
        if (!hint.empty()) object["hint"] = hint;
      }
      WriteJsonLine(environment.out, object);
      continue;
    }
    std::string line = report.path;
    line.resize(pathWidth, ' ');
    line += "  " + FormatIds(*report.ids) + "  ";
    if (!report.idsError.empty()) {
      line += std::string(device::msg::kIdsUnreadable) + ": " + report.idsError;
    } else if (report.openable && report.unsuitable) {
      line += *report.unsuitable;
    } else if (report.openable) {
      line += "ready";
    } else {
      line += "cannot open: " + report.openError;
      if (!hint.empty()) line.append(" (").append(hint).append(")");
    }
    // Where the board sits, so that two boards on one machine can be told apart.
    if (!report.portPath.empty()) line += "  port " + report.portPath;
    if (!report.serialNumber.empty()) line += "  serial " + report.serialNumber;
    std::fprintf(environment.out, "%s\n", line.c_str());
  }
  return Outcome::Success;
}

}  // namespace zentho::cli
