// The production record: one line per finished session, as JSON or CSV, each line
// written whole and flushed to the disk before the next session is counted.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/durable_file.h"
#include "base/os_result.h"
#include "base/utc_time.h"

namespace zentho::cli {

struct SessionRecord {
  std::chrono::system_clock::time_point start;
  std::chrono::system_clock::time_point end;
  std::string port;     // USB port path; empty when the platform can't tell
  std::string serial;   // the board's serial number string; may be empty
  std::string device;   // the interface's path ("/dev/hidraw3")
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::string mode;     // kvm, bootloader or config
  std::string file;
  std::uint64_t size = 0;
  std::string sha256;   // of the file, 64 hex digits
  std::string result;   // pass, fail, unplugged; held, quarantined, released (no session)
  std::string failure;  // the line that tells why it failed; empty for a pass
  double seconds = 0;
  std::string tool;     // "zentho-iap 0.1.0"
  std::string job;      // the job's name; empty without a job
  std::string lot;      // the job's lot or work order; may be empty
  std::string station;  // --station-name, by default the host's name
  std::string slot;     // the port's label in the slot map, else the port
};

// A cell a spreadsheet would run as a formula: =, +, -, @, tab or CR first. Single quotes
// in front count for nothing, so that a cell written with the neutralising quote reads
// back as the one written without it, whatever quotes it started with.
bool LooksLikeFormula(std::string_view cell);

// "2026-12-09T03:41:07.250Z": UTC with milliseconds.
std::string FormatUtc(std::chrono::system_clock::time_point time);

// One JSON object and LF.
std::string RecordJson(const SessionRecord& record);
// The CSV header and one row, with the JSON line's fields in the same order. Fields are
// quoted where they hold a comma, a quote or a line end; a field a spreadsheet would
// run as a formula is quoted with a single quote in front. Rows end in CR LF.
std::string RecordCsvHeader();
std::string RecordCsv(const SessionRecord& record);

// Record files are appended one whole line at a time, each on the disk before the next.
using RecordFile = DurableAppendFile;

}  // namespace zentho::cli
