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

std::optional<std::string> AddSlot(SlotMap& map, const std::string& port, const std::string& label) {
  std::string p = Trimmed(port);
  std::string l = Trimmed(label);
  if (p.empty() || l.empty() || (p + l).find_first_of("\r\n") != std::string::npos) {
    return "expected PORT = LABEL";
  }
  // What a map's text could not say.
  if (p.front() == '#' || p.find('=') != std::string::npos) return "port " + p + " can't be written as PORT = LABEL";
  if (map.labelOf(p) != nullptr) return "port " + p + " is named twice";
  if (map.hasLabel(l)) return "label " + l + " is given to two ports";
  map.ports.emplace_back(std::move(p), std::move(l));
  return std::nullopt;
}

std::optional<SlotMap> ParseSlotMap(const std::string& text, std::string& error) {
  SlotMap map;
  std::istringstream in(text);
  unsigned number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    const std::string trimmed = Trimmed(line);
    if (trimmed.empty() || trimmed.front() == '#') continue;
    const std::size_t equals = trimmed.find('=');
    const std::optional<std::string> problem =
        equals == std::string::npos ? std::optional<std::string>("expected PORT = LABEL")
                                    : AddSlot(map, trimmed.substr(0, equals), trimmed.substr(equals + 1));
    if (problem) {
      error = "line " + std::to_string(number) + ": " + *problem;
      return std::nullopt;
    }
  }
  return map;
}

std::string SlotMapText(const SlotMap& map) {
  std::string text;
  for (const auto& [port, label] : map.ports) text += port + " = " + label + "\n";
  return text;
}

}  // namespace zentho::cli
