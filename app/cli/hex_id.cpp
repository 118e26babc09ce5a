// Parsing and printing of vendor and product IDs.
#include "app/cli/hex_id.h"

#include <cstdio>

#include "transfer/hex_digit.h"

namespace zentho::cli {

std::optional<std::uint16_t> ParseStrictHexId(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
  if (text.empty() || text.size() > 4) return std::nullopt;
  unsigned value = 0;
  for (const char c : text) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  return static_cast<std::uint16_t>(value);
}

std::string FormatHexId(std::uint16_t id) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", unsigned{id});
  return text;
}

std::string FormatIds(device::HidIds ids) {
  return FormatHexId(ids.vendorId) + ":" + FormatHexId(ids.productId);
}

void AddIdOptions(CLI::App& command, device::HidIds& ids) {
  auto bind = [&command](const char* name, const char* help, std::uint16_t& target) {
    command
        .add_option_function<std::string>(
            name,
            [&target](const std::string& text) {
              // The validator below has already refused anything else.
              target = ParseStrictHexId(text).value_or(0);
            },
            help)
        ->type_name("HEX")
        ->check(CLI::Validator(
            [](std::string& text) {
              return ParseStrictHexId(text) ? std::string{} : "not a 16-bit hex ID: " + text;
            },
            "", "HEX"));
  };
  bind("--vid", "Target vendor ID (default 4A5D)", ids.vendorId);
  bind("--pid", "Target product ID (default 7310)", ids.productId);
}

}  // namespace zentho::cli
