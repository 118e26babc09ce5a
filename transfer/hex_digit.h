// The value of one hexadecimal digit, for every parser of hex text in the tree.
#pragma once

#include <array>

namespace zentho {

namespace detail {
// One entry per byte value: a trace line holds two thousand digits, read one look-up each.
inline constexpr std::array<signed char, 256> kHexDigitValues = [] {
  std::array<signed char, 256> values{};
  values.fill(-1);
  for (int c = '0'; c <= '9'; ++c) values[static_cast<unsigned>(c)] = static_cast<signed char>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c) values[static_cast<unsigned>(c)] = static_cast<signed char>(c - 'a' + 10);
  for (int c = 'A'; c <= 'F'; ++c) values[static_cast<unsigned>(c)] = static_cast<signed char>(c - 'A' + 10);
  return values;
}();
}  // namespace detail

// 0-15 for 0-9, a-f and A-F; -1 for any other character.
constexpr int HexDigitValue(char c) {
  return detail::kHexDigitValues[static_cast<unsigned char>(c)];
}

}  // namespace zentho
