// Fuzz target: any text fed to the configuration parser stays within the image.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "transfer/config_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream text(std::string(reinterpret_cast<const char*>(data), size));
  zentho::ConfigImage image{};
  zentho::ConfigParseReport report;
  const unsigned count = zentho::BuildConfigImage(text, image, &report);
  if (count != report.count) std::abort();
  if (count == 256 &&
      zentho::ConfigChecksum({image.data() + 2, 254}) != (image[0] | (image[1] << 8))) {
    std::abort();
  }
  return 0;
}
