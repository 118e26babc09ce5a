// A configuration text file read into its image, with where the parse stopped and
// whether the image is sealed (all 256 values given): what `config check`, `config build`
// and a configuration job look at.
#pragma once

#include <cstdint>
#include <string>

#include "base/os_result.h"
#include "transfer/config_image.h"

namespace zentho::cli {

// What the parser made of a configuration text file.
struct ConfigCheck {
  ConfigParseReport parse;
  ConfigImage image{};
  bool sealed = false;
  std::uint16_t checksum = 0;  // as stored when sealed; else over bytes 2-255 as filled
  std::string stopReason;      // why the parse ended where it did
};

// Fails with the reason when the file cannot be read: "is a directory", "is not a
// regular file", or the OS's words.
OsResult<ConfigCheck> CheckConfigFile(const std::string& path);

// "FILE gives N values, not 256 (line L, column C: REASON)": why an image is not sealed.
std::string UnsealedLine(const std::string& path, const ConfigCheck& check);

}  // namespace zentho::cli
