// File names made safe to print on a terminal.
#include "app/cli/input_files.h"

#include <cstdio>

namespace zentho::cli {

namespace {

// Length of the well-formed UTF-8 sequence at `text[i]`, 0 when there is none. C1
// controls (U+0080 to U+009F) count as not well formed: terminals act on them.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = at(i);
  std::size_t length = 0;
  unsigned minimum = 0;
  unsigned value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2, minimum = 0xA0, value = lead & 0x1F;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3, minimum = 0x800, value = lead & 0x0F;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4, minimum = 0x10000, value = lead & 0x07;
  else return 0;
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (at(i + k) & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string Printable(std::string_view text) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      result.push_back(c);
    } else if (c == '\t') {
      result += "\\t";
    } else if (c == '\r') {
      result += "\\r";
    } else if (c == '\n') {
      result += "\\n";
    } else if (const std::size_t length = byte >= 0x80 ? Utf8Length(text, i) : 0; length > 0) {
      result.append(text.substr(i, length));
      i += length - 1;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", unsigned{byte});
      result += hex;
    }
  }
  return result;
}

}  // namespace zentho::cli
