// Arrivals and departures found by comparing one list of the interfaces with the next,
// for a platform that sends no events (and as a safety net where its events may be lost).
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "device/hid_platform.h"

namespace zentho::device {

class ArrivalPoller {
 public:
  // Lists the interfaces and returns what changed since the last look: departures
  // first, then arrivals in the platform's order. The first look reports every
  // interface as arrived. Entries whose path can't be read are left out. What a look
  // misses is not always gone: after a listing that failed, nothing departs; when some
  // entry could not be read (it may be the one missing), a path departs only once two
  // such looks in a row have missed it.
  std::vector<InterfaceChange> look(HidPlatform& platform);

  // What the last look listed at `path`; null when it was not there.
  const InterfaceSlot* find(const std::string& path) const;

 private:
  std::map<std::string, InterfaceSlot> present_;
  std::set<std::string> missedOnce_;  // present, but missed by the last look
};

}  // namespace zentho::device
