// The line's guard rails.
#include "app/station/line_guard.h"

#include <algorithm>

namespace zentho::cli {

LineGuard::LineGuard(SlotMap slots, unsigned quarantineAfter, bool reflash,
                     std::set<std::string> passedSerials)
    : slots_(std::move(slots)),
      quarantineAfter_(quarantineAfter),
      reflash_(reflash),
      passedSerials_(std::move(passedSerials)) {}

std::string LineGuard::slotOf(const std::string& port, const std::string& path) const {
  if (const std::string* label = slots_.labelOf(port)) return *label;
  return port.empty() ? path : port;
}

BoardHold LineGuard::check(const std::string& slot, const std::string& serial,
                           bool othersWithSerial) const {
  if (const auto it = counts_.find(slot); it != counts_.end() && !it->second.quarantine.empty()) {
    return BoardHold::Quarantined;
  }
  if (serial.empty()) return BoardHold::None;
  if (othersWithSerial) return BoardHold::DuplicateSerial;
  if (!reflash_ && passedSerials_.contains(serial)) return BoardHold::AlreadyFlashed;
  return BoardHold::None;
}

std::optional<std::string> LineGuard::ended(const std::string& slot, const std::string& serial,
                                            const std::string& result, const std::string& failure) {
  SlotCounts& counts = counts_[slot];
  counts.slot = slot;
  if (result == "pass") {
    ++counts.passed;
    counts.failedInARow = 0;
    if (!serial.empty()) passedSerials_.insert(serial);
    return std::nullopt;
  }
  if (result != "fail") return std::nullopt;
  ++counts.failed;
  ++counts.failedInARow;
  if (quarantineAfter_ == 0 || counts.failedInARow < quarantineAfter_ || !counts.quarantine.empty()) {
    return std::nullopt;
  }
  counts.quarantine = std::to_string(counts.failedInARow) + " failed in a row, last: " + failure;
  return counts.quarantine;
}

bool LineGuard::release(const std::string& slot) {
  const auto it = counts_.find(slot);
  if (it == counts_.end() || it->second.quarantine.empty()) return false;
  it->second.quarantine.clear();
  it->second.failedInARow = 0;
  return true;
}

std::vector<SlotCounts> LineGuard::counts() const {
  std::vector<SlotCounts> ordered;
  for (const auto& [port, label] : slots_.ports) {
    if (const auto it = counts_.find(label); it != counts_.end()) ordered.push_back(it->second);
  }
  for (const auto& [slot, counts] : counts_) {
    if (!slots_.hasLabel(slot)) ordered.push_back(counts);
  }
  return ordered;
}

std::vector<SlotCounts> LineGuard::quarantined() const {
  std::vector<SlotCounts> all = counts();
  std::erase_if(all, [](const SlotCounts& counts) { return counts.quarantine.empty(); });
  return all;
}

}  // namespace zentho::cli
