// Record files read back (JSON Lines or CSV, as the station writes them): for the
// serials that already passed, and for the yield report.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "base/os_result.h"

namespace zentho::cli {

// The fields of a record line that are read back; a field an older record lacks is empty.
struct RecordEntry {
  std::string start;  // "2026-12-09T04:07:43.576Z"
  std::string port;
  std::string serial;
  std::string sha256;
  std::string result;
  std::string failure;
  std::string job;
  std::string lot;
  std::string station;
  std::string slot;  // the port when the line has no slot
};

// Every line of a record's text; blank lines are skipped. A CSV record starts with the
// station's header. Fails with "line N: ..." for a line that is not a record.
OsResult<std::vector<RecordEntry>> ParseRecords(const std::string& text);

// A record file through the file guard; failures say "PATH: reason".
OsResult<std::vector<RecordEntry>> ReadRecords(const std::string& path);

// The serials that passed with the image of this SHA-256 in `entries`.
std::set<std::string> PassedSerials(const std::vector<RecordEntry>& entries, const std::string& sha256);

}  // namespace zentho::cli
