// Counting the records and writing the report as text and JSON.
#include "app/station/yield_report.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include <nlohmann/json.hpp>

#include "app/cli/input_files.h"
#include "app/station/yield.h"

namespace zentho::cli {
namespace {

void Count(std::map<std::string, YieldRow>& rows, const std::string& name, bool passed) {
  YieldRow& row = rows[name];
  row.name = name;
  (passed ? row.passed : row.failed) += 1;
}

std::vector<YieldRow> Values(const std::map<std::string, YieldRow>& rows) {
  std::vector<YieldRow> values;
  for (const auto& [name, row] : rows) values.push_back(row);
  return values;
}

std::vector<std::pair<std::string, unsigned>> MostFirst(const std::map<std::string, unsigned>& counts) {
  std::vector<std::pair<std::string, unsigned>> sorted(counts.begin(), counts.end());
  std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
  return sorted;
}

std::string Pad(std::string text, std::size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

void Table(std::string& text, const std::string& title, const std::vector<YieldRow>& rows) {
  std::size_t width = title.size();
  for (const YieldRow& row : rows) width = std::max(width, Printable(row.name).size());
  text += Pad(title, width) + "  passed  failed  yield\n";
  for (const YieldRow& row : rows) {
    text += Pad(Printable(row.name), width) + "  " + Pad(std::to_string(row.passed), 6) + "  " +
            Pad(std::to_string(row.failed), 6) + "  " + FormatYield(row.passed, row.failed) + "\n";
  }
}

}  // namespace

YieldReport BuildYieldReport(const std::vector<RecordEntry>& entries) {
  std::map<std::string, YieldRow> jobs;
  std::map<std::string, YieldRow> slots;
  std::map<std::string, YieldRow> hours;
  std::map<std::string, unsigned> failures;
  std::map<std::string, unsigned> passes;
  std::set<std::string> sessions;
  YieldReport report;
  for (const RecordEntry& entry : entries) {
    const bool passed = entry.result == "pass";
    if (!passed && entry.result != "fail") continue;
    // One session: one start in one slot (the port, or the device where the port is not
    // known) of one station, with one board.
    const std::string session =
        entry.start + '\n' + entry.station + '\n' + entry.slot + '\n' + entry.port + '\n' + entry.serial;
    if (!sessions.insert(session).second) {
      ++report.sameSessionTwice;
      continue;
    }
    (passed ? report.total.passed : report.total.failed) += 1;
    Count(jobs, (entry.job.empty() ? "-" : entry.job) + " / " + (entry.lot.empty() ? "-" : entry.lot), passed);
    Count(slots, (entry.station.empty() ? "-" : entry.station) + " " + entry.slot, passed);
    // "2026-12-09T04:07:43.576Z" -> "2026-12-09 04:00"
    const std::string hour = entry.start.size() >= 13 ? entry.start.substr(0, 10) + " " + entry.start.substr(11, 2) + ":00"
                                                      : "-";
    Count(hours, hour, passed);
    if (!passed) ++failures[entry.failure.empty() ? "-" : entry.failure];
    if (passed && !entry.serial.empty()) ++passes[entry.serial];
  }
  report.byJob = Values(jobs);
  report.bySlot = Values(slots);
  report.byHour = Values(hours);
  report.failures = MostFirst(failures);
  std::erase_if(passes, [](const auto& serial) { return serial.second < 2; });
  report.repeated = MostFirst(passes);
  return report;
}

std::string SameSessionTwiceNote(const YieldReport& report) {
  const bool one = report.sameSessionTwice == 1;
  return std::to_string(report.sameSessionTwice) + (one ? " line repeats" : " lines repeat") +
         " a session already read (one session in two records): counted once";
}

std::string YieldReportText(const YieldReport& report) {
  const YieldRow& t = report.total;
  std::string text = std::to_string(t.passed + t.failed) + " sessions: " + std::to_string(t.passed) +
                     " passed, " + std::to_string(t.failed) + " failed, yield " +
                     FormatYield(t.passed, t.failed) + "\n";
  if (report.sameSessionTwice != 0) text += SameSessionTwiceNote(report) + "\n";
  text += "\n";
  Table(text, "job / lot", report.byJob);
  text += "\n";
  Table(text, "station slot", report.bySlot);
  text += "\n";
  Table(text, "hour (UTC)", report.byHour);
  text += "\nfailures\n";
  for (const auto& [line, count] : report.failures) text += Pad(std::to_string(count), 6) + "  " + Printable(line) + "\n";
  if (report.failures.empty()) text += "none\n";
  text += "\nboards that passed more than once\n";
  for (const auto& [serial, count] : report.repeated) text += Pad(std::to_string(count), 6) + "  " + Printable(serial) + "\n";
  if (report.repeated.empty()) text += "none\n";
  return text;
}

std::string YieldReportJson(const YieldReport& report) {
  auto rows = [](const std::vector<YieldRow>& list) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const YieldRow& row : list) {
      const unsigned sessions = row.passed + row.failed;
      array.push_back({{"name", row.name},
                       {"passed", row.passed},
                       {"failed", row.failed},
                       {"yield", sessions == 0 ? nlohmann::ordered_json() : nlohmann::ordered_json(
                                                     std::round(1000.0 * row.passed / sessions) / 1000.0)}});
    }
    return array;
  };
  auto counts = [](const std::vector<std::pair<std::string, unsigned>>& list, const char* key) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const auto& [name, count] : list) array.push_back({{key, name}, {"count", count}});
    return array;
  };
  const nlohmann::ordered_json object = {
      {"total", rows({report.total}).front()}, {"jobs", rows(report.byJob)},
      {"slots", rows(report.bySlot)},          {"hours", rows(report.byHour)},
      {"failures", counts(report.failures, "failure")}, {"repeated", counts(report.repeated, "serial")},
      {"sameSessionTwice", report.sameSessionTwice},
  };
  return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace zentho::cli
