// Hexadecimal box text to a 32-bit target, saturating like the C library's strtoul.
#include "app/window/hex_id.h"

#include <algorithm>
#include <limits>

#include "transfer/hex_digit.h"

namespace zentho::window {

std::uint32_t ParseSaturatingHexId(std::string_view boxText) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
  std::uint64_t value = 0;
  for (const char c : boxText) {
    const int digit = HexDigitValue(c);
    if (digit < 0) break;
    // Keep reading digits after saturating: the text is consumed to its end either way.
    value = std::min<std::uint64_t>(value * 16 + static_cast<std::uint64_t>(digit), kMax + 1);
  }
  return value > kMax ? std::numeric_limits<std::uint32_t>::max() : static_cast<std::uint32_t>(value);
}

}  // namespace zentho::window
