// Arrivals and departures named as the list names them.
#include "device/windows/interface_change_names.h"

namespace zentho::device::windows_hid {

InterfaceChangeNames::InterfaceChangeNames(ListPaths listPaths) : listPaths_(std::move(listPaths)) {
  learnPresent();
}

void InterfaceChangeNames::learnPresent() {
  for (const std::string& path : listPaths_()) spellings_.learn(path);
}

std::optional<InterfaceChange> InterfaceChangeNames::change(std::uintptr_t eventCode, std::string_view name) {
  if (name.empty()) return std::nullopt;
  if (eventCode == kDeviceArrival) {
    if (!spellings_.knows(name)) learnPresent();
    return InterfaceChange{InterfaceChange::Kind::Arrived, spellings_.spell(name)};
  }
  if (eventCode == kDeviceRemoveComplete) {
    InterfaceChange departed{InterfaceChange::Kind::Departed, spellings_.spell(name)};
    spellings_.forget(name);
    return departed;
  }
  return std::nullopt;
}

}  // namespace zentho::device::windows_hid
