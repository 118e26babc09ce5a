// Reading IDs from device paths and comparing paths.
#include "device/windows/hid_path.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace zentho::device::windows_hid {
namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
  return lower;
}

std::optional<std::uint16_t> FourHexDigits(std::string_view text) {
  if (text.size() < 4) return std::nullopt;
  unsigned value = 0;
  for (char c : text.substr(0, 4)) {
    const char lower = Lower(c);
    unsigned digit = 0;
    if (lower >= '0' && lower <= '9') {
      digit = static_cast<unsigned>(lower - '0');
    } else if (lower >= 'a' && lower <= 'f') {
      digit = static_cast<unsigned>(lower - 'a' + 10);
    } else {
      return std::nullopt;
    }
    value = value * 16 + digit;
  }
  return static_cast<std::uint16_t>(value);
}

}  // namespace

std::optional<HidIds> IdsFromPath(std::string_view path) {
  const std::string lower = LowerCase(path);
  const std::size_t vid = lower.find("vid_");
  if (vid == std::string::npos) return std::nullopt;
  const std::size_t pid = lower.find("pid_", vid);
  // The product ID follows the vendor ID's four digits and one separator.
  if (pid != vid + 9) return std::nullopt;
  const std::optional<std::uint16_t> vendor = FourHexDigits(std::string_view(lower).substr(vid + 4));
  const std::optional<std::uint16_t> product = FourHexDigits(std::string_view(lower).substr(pid + 4));
  if (!vendor || !product) return std::nullopt;
  return HidIds{*vendor, *product};
}

bool SamePath(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

void PathSpellings::learn(const std::string& path) { byLowerCase_[LowerCase(path)] = path; }

bool PathSpellings::knows(std::string_view name) const { return byLowerCase_.contains(LowerCase(name)); }

std::string PathSpellings::spell(std::string_view name) const {
  std::string lower = LowerCase(name);
  const auto it = byLowerCase_.find(lower);
  return it != byLowerCase_.end() ? it->second : lower;
}

void PathSpellings::forget(std::string_view name) { byLowerCase_.erase(LowerCase(name)); }

}  // namespace zentho::device::windows_hid
