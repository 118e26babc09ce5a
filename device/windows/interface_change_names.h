// Turns the device-change notifications of HID interfaces into InterfaceChange, each path
// spelt as the interface list spells it. No Windows headers: WM_DEVICECHANGE's codes
// are plain numbers here.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/hid_platform.h"
#include "device/windows/hid_path.h"

namespace zentho::device::windows_hid {

inline constexpr std::uintptr_t kDeviceArrival = 0x8000;         // DBT_DEVICEARRIVAL
inline constexpr std::uintptr_t kDeviceRemoveComplete = 0x8004;  // DBT_DEVICEREMOVECOMPLETE

class InterfaceChangeNames {
 public:
  // The paths of the interfaces present now, as the list names them.
  using ListPaths = std::function<std::vector<std::string>()>;

  // Learns the spellings of what is present already, so that their departures are
  // named right.
  explicit InterfaceChangeNames(ListPaths listPaths);

  // The change that `eventCode` announces for the interface called `name` in the
  // notification; nothing for any other code or an empty name. An arrival whose name
  // the list has not shown yet has the list read again.
  std::optional<InterfaceChange> change(std::uintptr_t eventCode, std::string_view name);

 private:
  void learnPresent();

  ListPaths listPaths_;
  PathSpellings spellings_;
};

}  // namespace zentho::device::windows_hid
