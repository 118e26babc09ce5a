// The slot map of a line: which label each USB port carries ("1-1.2 = A3").
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zentho::cli {

struct SlotMap {
  std::vector<std::pair<std::string, std::string>> ports;  // (port, label), in file order

  bool empty() const { return ports.empty(); }
  // The label of `port`; nullptr when the map does not name it.
  const std::string* labelOf(const std::string& port) const;
  bool hasLabel(const std::string& label) const;
};

// "PORT = LABEL" lines; blank lines and lines starting with '#' are skipped; blanks
// around either side are dropped. Fails with "line N: ..." for a line without '=', an
// empty side, a port or a label given twice.
std::optional<SlotMap> ParseSlotMap(const std::string& text, std::string& error);

// One port and its label added to `map`, blanks around either dropped. Refused, with
// what is wrong, when either is blank or holds a line end, when the port could not stand
// in a map's text ('#' first, or an '='), or when the port or the label is already there.
std::optional<std::string> AddSlot(SlotMap& map, const std::string& port, const std::string& label);

// The map as ParseSlotMap reads it back.
std::string SlotMapText(const SlotMap& map);

}  // namespace zentho::cli
