// Comparing successive lists of the interfaces.
#include "device/arrival_poller.h"

namespace zentho::device {

std::vector<InterfaceChange> ArrivalPoller::look(HidPlatform& platform) {
  std::vector<std::string> listed;
  std::unique_ptr<InterfaceList> list = platform.listInterfaces();
  for (std::size_t index = 0; list; ++index) {
    std::optional<InterfaceSlot> slot = list->at(index);
    if (!slot) break;
    if (slot->status == InterfaceSlot::Status::Path) listed.push_back(std::move(slot->path));
  }
  list.reset();

  const std::set<std::string> now(listed.begin(), listed.end());
  std::vector<InterfaceChange> changes;
  for (const std::string& path : present_) {
    if (!now.contains(path)) changes.push_back({InterfaceChange::Kind::Departed, path});
  }
  for (const std::string& path : listed) {
    if (!present_.contains(path)) changes.push_back({InterfaceChange::Kind::Arrived, path});
  }
  present_ = now;
  return changes;
}

}  // namespace zentho::device
