// What a HID interface's device path tells without opening it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "device/hid_platform.h"

namespace zentho::device::windows_hid {

// The IDs in a path such as "\\?\hid#vid_4a5d&pid_7310#7&...#{4d1e55b2-...}" (any case);
// nothing when the path carries no "vid_XXXX&pid_XXXX".
std::optional<HidIds> IdsFromPath(std::string_view path);

// Windows compares device paths without regard to case (ASCII letters only).
bool SamePath(std::string_view a, std::string_view b);

// The spelling the interface list gives each path it has shown, so that a name heard in a
// notification, in whatever case the system wrote it, comes out as the list names it.
class PathSpellings {
 public:
  // `path` as the list names it.
  void learn(const std::string& path);
  bool knows(std::string_view name) const;
  // The learnt spelling that equals `name` case aside; `name` in lower case when none
  // was learnt (the case the list uses for HID interfaces).
  std::string spell(std::string_view name) const;
  void forget(std::string_view name);

 private:
  std::map<std::string, std::string> byLowerCase_;
};

}  // namespace zentho::device::windows_hid
