// The yield report over any number of record files: per job and lot, per station and
// slot, per hour; failures by their failing line; boards that passed more than once.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/station/record_reading.h"

namespace zentho::cli {

struct YieldRow {
  std::string name;  // "J-7 / WO-7", "bench-1 A2", "2026-12-09 04:00"
  unsigned passed = 0;
  unsigned failed = 0;
};

struct YieldReport {
  YieldRow total{"all"};
  std::vector<YieldRow> byJob;       // "JOB / LOT", by name
  std::vector<YieldRow> bySlot;      // "STATION SLOT", by name
  std::vector<YieldRow> byHour;      // "YYYY-MM-DD HH:00" (UTC), in time order
  std::vector<std::pair<std::string, unsigned>> failures;  // failing line, count; most first
  std::vector<std::pair<std::string, unsigned>> repeated;  // serial, passes (more than one)
  // Lines of a session already counted (its JSON and its CSV record, or one file named
  // twice): counted once.
  unsigned sameSessionTwice = 0;
};

// Only sessions with a verdict (pass, fail) count, each once; unplugged and held lines do
// not.
YieldReport BuildYieldReport(const std::vector<RecordEntry>& entries);

// "2 lines repeat a session already read (...): counted once"
std::string SameSessionTwiceNote(const YieldReport& report);

std::string YieldReportText(const YieldReport& report);
std::string YieldReportJson(const YieldReport& report);
// One self-contained page: inline style and SVG charts, no script, nothing fetched.
std::string YieldReportHtml(const YieldReport& report);

}  // namespace zentho::cli
