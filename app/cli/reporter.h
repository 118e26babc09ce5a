// The one way zentho-iap tells the operator something on stderr: "zentho-iap: MESSAGE",
// control bytes escaped, written whole and flushed.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace zentho::cli {

// "zentho-iap: MESSAGE" and LF, with the message's control bytes escaped (a file name or
// a device's serial may carry any byte, and a raw ESC would take over the terminal).
std::string ReportLine(std::string_view message);

// Writes ReportLine(message) to `stream` in one write and flushes it.
void Report(std::FILE* stream, std::string_view message);

// "zentho-iap 1.0.0": the tool and the version it was built as, for --version and records.
std::string ToolVersion();

}  // namespace zentho::cli
