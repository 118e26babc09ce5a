// What the durable files of both platforms share.
#include "base/durable_file.h"

namespace zentho {

std::string LineEndOf(std::string_view line) {
  return line.size() >= 2 && line.substr(line.size() - 2) == "\r\n" ? "\r\n" : "\n";
}

}  // namespace zentho
