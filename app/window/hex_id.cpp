// Hexadecimal box text to a 32-bit target, saturating like the C library's strtoul.
#include "app/window/hex_id.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace zentho::window {
namespace {

std::optional<std::uint32_t> HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<std::uint32_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<std::uint32_t>(c - 'A' + 10);
  return std::nullopt;
}

}  // namespace

std::uint32_t ParseHexId(std::string_view boxText) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
  std::uint64_t value = 0;
  for (const char c : boxText) {
    const std::optional<std::uint32_t> digit = HexDigit(c);
    if (!digit) break;
    // Keep reading digits after saturating: the text is consumed to its end either way.
    value = std::min<std::uint64_t>(value * 16 + *digit, kMax + 1);
  }
  return value > kMax ? std::numeric_limits<std::uint32_t>::max() : static_cast<std::uint32_t>(value);
}

}  // namespace zentho::window
