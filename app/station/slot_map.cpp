// Reading and writing the slot map.
#include "app/station/slot_map.h"

#include <algorithm>
#include <sstream>

namespace zentho::cli {
namespace {

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

}  // namespace

const std::string* SlotMap::labelOf(const std::string& port) const {
  for (const auto& [mapped, label] : ports) {
    if (mapped == port) return &label;
  }
  return nullptr;
}

bool SlotMap::hasLabel(const std::string& label) const {
  return std::ranges::any_of(ports, [&](const auto& entry) { return entry.second == label; });
}

std::optional<SlotMap> ParseSlotMap(const std::string& text, std::string& error) {
  SlotMap map;
  std::istringstream in(text);
  unsigned number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    const std::string trimmed = Trimmed(line);
    if (trimmed.empty() || trimmed.front() == '#') continue;
    const std::string where = "line " + std::to_string(number) + ": ";
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string::npos) {
      error = where + "expected PORT = LABEL";
      return std::nullopt;
    }
    std::string port = Trimmed(trimmed.substr(0, equals));
    std::string label = Trimmed(trimmed.substr(equals + 1));
    if (port.empty() || label.empty()) {
      error = where + "expected PORT = LABEL";
      return std::nullopt;
    }
    if (map.labelOf(port) != nullptr) {
      error = where + "port " + port + " is named twice";
      return std::nullopt;
    }
    if (map.hasLabel(label)) {
      error = where + "label " + label + " is given to two ports";
      return std::nullopt;
    }
    map.ports.emplace_back(std::move(port), std::move(label));
  }
  return map;
}

std::string SlotMapText(const SlotMap& map) {
  std::string text;
  for (const auto& [port, label] : map.ports) text += port + " = " + label + "\n";
  return text;
}

}  // namespace zentho::cli
