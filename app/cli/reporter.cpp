// The CLI's stderr lines and its version string.
#include "app/cli/reporter.h"

#include "app/cli/input_files.h"
#include "zentho_version.h"

namespace zentho::cli {

std::string ReportLine(std::string_view message) {
  return "zentho-iap: " + Printable(message) + "\n";
}

void Report(std::FILE* stream, std::string_view message) {
  const std::string line = ReportLine(message);
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fflush(stream);
}

std::string ToolVersion() { return std::string("zentho-iap ") + ZENTHO_VERSION_STRING; }

}  // namespace zentho::cli
