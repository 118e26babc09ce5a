// Fuzz target: the vendor and product ID texts of the window's boxes and of the
// command line. Any text gives a value or a refusal; a value written back reads the same.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/cli/hex_id.h"
#include "app/window/hex_id.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const std::uint32_t boxValue = zentho::window::ParseSaturatingHexId(text);
  char written[16];
  std::snprintf(written, sizeof written, "%X", unsigned{boxValue});
  if (boxValue != 0xFFFFFFFFu && zentho::window::ParseSaturatingHexId(written) != boxValue) std::abort();

  if (const std::optional<std::uint16_t> id = zentho::cli::ParseStrictHexId(text)) {
    if (zentho::cli::ParseStrictHexId(zentho::cli::FormatHexId(*id)) != id) std::abort();
    if (text.size() > 6) std::abort();  // "0x" and at most four digits
  }
  return 0;
}
