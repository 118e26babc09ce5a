// The line's guard rails, decided apart from the scheduler so that each rule can be
// tested on its own: a serial that already passed with this image, two boards with one
// serial, and slots quarantined after failing sessions in a row.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/station/slot_map.h"

namespace zentho::cli {

// What the line says about a board before it is touched.
enum class BoardHold {
  None,             // flash it
  Quarantined,      // its slot is quarantined: wait for the operator's release
  AlreadyFlashed,   // its serial passed with this image before
  DuplicateSerial,  // another board present has the same serial
};

// The record's and the display's words for a hold.
inline constexpr const char* kAlreadyFlashed = "already flashed";
inline constexpr const char* kDuplicateSerial = "duplicate serial";

struct SlotCounts {
  std::string slot;
  unsigned passed = 0;
  unsigned failed = 0;
  unsigned failedInARow = 0;
  std::string quarantine;  // why the slot is quarantined; empty when it is not
};

class LineGuard {
 public:
  // `passedSerials`: the serials that passed with this image in earlier records.
  LineGuard(SlotMap slots, unsigned quarantineAfter, bool reflash, std::set<std::string> passedSerials);

  // The slot a board is in: its label in the map, else its port, else its path.
  std::string slotOf(const std::string& port, const std::string& path) const;
  bool mapped() const { return !slots_.empty(); }

  // Whether a board may be flashed. `othersWithSerial`: boards present with its serial.
  // A board without a serial has no identity to check: it is known by its slot alone.
  BoardHold check(const std::string& slot, const std::string& serial, bool othersWithSerial) const;

  // A session ended in `slot`: "pass", "fail" or "unplugged" (which says nothing about
  // the slot). Returns why the slot is quarantined when this failure does it.
  std::optional<std::string> ended(const std::string& slot, const std::string& serial,
                                   const std::string& result, const std::string& failure);

  // The operator's release of a quarantined slot, by label; false when it is not one.
  bool release(const std::string& slot);

  // Every slot that has had a session, mapped slots first in map order, then the rest
  // by name.
  std::vector<SlotCounts> counts() const;
  std::vector<SlotCounts> quarantined() const;

 private:
  SlotMap slots_;
  unsigned quarantineAfter_;
  bool reflash_;
  std::set<std::string> passedSerials_;
  std::map<std::string, SlotCounts> counts_;
};

}  // namespace zentho::cli
