// Fuzz target: any setup.dat reads without harm, and a path written by the writer
// reads back as the same path.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/window/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zentho::window;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // As a file read back: the path it gives never holds a CR, so it survives a save.
  if (const std::optional<std::string> stored = ParseSettings(bytes)) {
    if (stored->find('\r') != std::string::npos) std::abort();
    if (ParseSettings(SettingsBytes(*stored)) != stored) std::abort();
  }
  // As a path to save: without a CR it reads back byte for byte.
  if (bytes.find('\r') == std::string_view::npos) {
    const std::optional<std::string> back = ParseSettings(SettingsBytes(bytes));
    if (!back || *back != bytes) std::abort();
  }
  return 0;
}
