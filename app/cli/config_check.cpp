// Reading a configuration text file into its image, and saying whether it is sealed.
#include "app/cli/config_check.h"

#include <cstdio>

#include "base/file_guard.h"

namespace zentho::cli {
namespace {

// Control characters and bytes above 0x7E written as C escapes, so that a tab, a CR or
// a byte-order mark shows for what it is.
std::string Escaped(std::string_view text) {
  std::string result;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\t') result += "\\t";
    else if (c == '\r') result += "\\r";
    else if (byte < 0x20 || byte > 0x7E) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", unsigned{byte});
      result += hex;
    } else result.push_back(c);
  }
  return result;
}

// Said from what the parser saw where it stopped; the file is read only once.
std::string StopReason(const ConfigParseReport& parse) {
  if (parse.endOfFile) return "end of file";
  if (parse.stopText.empty() || parse.stopText.front() == '\r') {
    return parse.blankLine ? "a blank line" : "the line ends where a value was expected";
  }
  return "\"" + Escaped(parse.stopText) + "\" where two hexadecimal digits were expected";
}

}  // namespace

OsResult<ConfigCheck> CheckConfigFile(const std::string& path) {
  if (std::string why = InputProblem(path); !why.empty()) return OsError{std::move(why)};
  ConfigCheck check;
  const OsResult<unsigned> count = BuildConfigImageFromFile(path, check.image, &check.parse);
  if (!count) return OsError{count.reason()};
  check.sealed = check.parse.count == kConfigImageLength;
  check.checksum = check.sealed
                       ? static_cast<std::uint16_t>(check.image[0] | (check.image[1] << 8))
                       : ConfigChecksum({check.image.data() + 2, kConfigImageLength - 2});
  check.stopReason = StopReason(check.parse);
  return check;
}

std::string UnsealedLine(const std::string& path, const ConfigCheck& check) {
  return path + " gives " + std::to_string(check.parse.count) + " values, not " +
         std::to_string(kConfigImageLength) + " (line " + std::to_string(check.parse.stopLine) +
         ", column " + std::to_string(check.parse.stopColumn) + ": " + check.stopReason + ")";
}

}  // namespace zentho::cli
