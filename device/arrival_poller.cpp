// Comparing successive lists of the interfaces.
#include "device/arrival_poller.h"

namespace zentho::device {

std::vector<InterfaceChange> ArrivalPoller::look(HidPlatform& platform) {
  std::vector<InterfaceSlot> listed;
  std::unique_ptr<InterfaceList> list = platform.listInterfaces();
  bool unreadableEntry = false;
  for (std::size_t index = 0; list; ++index) {
    std::optional<InterfaceSlot> slot = list->at(index);
    if (!slot) break;
    if (slot->status == InterfaceSlot::Status::Path) {
      listed.push_back(std::move(*slot));
    } else {
      unreadableEntry = true;
    }
  }
  const bool listingFailed = !list || !list->complete();
  list.reset();

  std::map<std::string, InterfaceSlot> now;
  for (const InterfaceSlot& slot : listed) now.emplace(slot.path, slot);
  std::vector<InterfaceChange> changes;
  std::set<std::string> missed;
  for (const auto& [path, slot] : present_) {
    if (now.contains(path)) continue;
    if (listingFailed || (unreadableEntry && !missedOnce_.contains(path))) {
      now.emplace(path, slot);  // kept as last seen
      if (!listingFailed) missed.insert(path);
    } else {
      changes.push_back({InterfaceChange::Kind::Departed, path});
    }
  }
  if (!listingFailed) missedOnce_ = std::move(missed);
  for (const InterfaceSlot& slot : listed) {
    if (!present_.contains(slot.path)) changes.push_back({InterfaceChange::Kind::Arrived, slot.path});
  }
  present_ = std::move(now);
  return changes;
}

const InterfaceSlot* ArrivalPoller::find(const std::string& path) const {
  auto it = present_.find(path);
  return it == present_.end() ? nullptr : &it->second;
}

}  // namespace zentho::device
