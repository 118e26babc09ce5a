// The target IDs as the operator types them into the Vendor ID and Product ID boxes.
#pragma once

#include <cstdint>
#include <string_view>

namespace zentho::window {

// Reads `boxText` as if "0x" were put in front of it: hexadecimal digits up to the
// first other character, the rest ignored. No digit gives 0 (so a leading blank, a
// sign or an operator's own "0x" give 0); a value past 32 bits gives 0xFFFFFFFF.
std::uint32_t ParseSaturatingHexId(std::string_view boxText);

}  // namespace zentho::window
