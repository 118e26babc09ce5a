// Fuzz target: any text fed to the configuration parser stays within the image.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "transfer/config_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A stream over the input itself: no file system work per execution.
  std::FILE* file = size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "r") : std::tmpfile();
  if (file == nullptr) return 0;
  zentho::ConfigImage image{};
  zentho::ConfigParseReport report;
  const unsigned count = zentho::BuildConfigImage(file, image, &report);
  if (count != report.count) std::abort();
  if (count == 256 &&
      zentho::ConfigChecksum({image.data() + 2, 254}) != (image[0] | (image[1] << 8))) {
    std::abort();
  }
  return 0;
}
