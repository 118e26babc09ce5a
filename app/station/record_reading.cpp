// Reading record lines back.
#include "app/station/record_reading.h"

#include <map>
#include <optional>
#include <sstream>

#include <nlohmann/json.hpp>

#include "app/station/station_record.h"
#include "base/file_guard.h"

namespace zentho::cli {
namespace {

using Fields = std::map<std::string, std::string, std::less<>>;

RecordEntry Entry(const Fields& fields) {
  auto get = [&](std::string_view name) {
    const auto it = fields.find(name);
    return it == fields.end() ? std::string() : it->second;
  };
  RecordEntry entry{get("start"), get("port"),   get("serial"),  get("sha256"), get("result"),
                    get("failure"), get("job"), get("lot"), get("station"), get("slot")};
  if (entry.slot.empty()) entry.slot = entry.port.empty() ? get("device") : entry.port;
  return entry;
}

std::optional<Fields> JsonFields(const std::string& line) {
  const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
  if (!object.is_object()) return std::nullopt;
  Fields fields;
  for (const auto& [key, value] : object.items()) {
    if (value.is_string()) fields[key] = value.get<std::string>();
  }
  return fields;
}

// One CSV row as the station writes it (RFC 4180 quoting; a cell that would run as a
// formula carries a single quote in front inside its quotes). `in` is read on while a
// quoted cell holds a line end.
std::optional<std::vector<std::string>> CsvRow(std::string row, std::istringstream& in) {
  std::vector<std::string> cells;
  std::string cell;
  bool quoted = false;
  bool wasQuoted = false;
  for (std::size_t i = 0;; ++i) {
    if (i == row.size()) {
      if (!quoted) break;
      std::string more;
      if (!std::getline(in, more)) return std::nullopt;
      row += "\n" + more;
    }
    const char c = row[i];
    if (quoted) {
      if (c == '"' && i + 1 < row.size() && row[i + 1] == '"') {
        cell.push_back('"');
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell.push_back(c);
      }
    } else if (c == '"') {
      quoted = wasQuoted = true;
    } else if (c == ',') {
      if (wasQuoted && cell.size() > 1 && cell.front() == '\'' &&
          std::string_view("=+-@\t\r").find(cell[1]) != std::string_view::npos) {
        cell.erase(0, 1);
      }
      cells.push_back(std::exchange(cell, {}));
      wasQuoted = false;
    } else {
      cell.push_back(c);
    }
  }
  if (wasQuoted && cell.size() > 1 && cell.front() == '\'') cell.erase(0, 1);
  cells.push_back(std::move(cell));
  return cells;
}

}  // namespace

OsResult<std::vector<RecordEntry>> ParseRecords(const std::string& text) {
  std::vector<RecordEntry> entries;
  std::istringstream in(text);
  std::vector<std::string> header;
  unsigned number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const std::string where = "line " + std::to_string(number) + ": ";
    if (line.front() == '{') {
      const std::optional<Fields> fields = JsonFields(line);
      if (!fields) return OsError{where + "not a JSON record"};
      entries.push_back(Entry(*fields));
      continue;
    }
    std::optional<std::vector<std::string>> cells = CsvRow(line, in);
    if (!cells) return OsError{where + "a quoted cell does not end"};
    if (header.empty()) {
      if (cells->empty() || cells->front() != "start") return OsError{where + "not a record (no JSON, no CSV header)"};
      header = std::move(*cells);
      continue;
    }
    if (cells->size() != header.size()) {
      return OsError{where + std::to_string(cells->size()) + " cells, the header has " +
                     std::to_string(header.size())};
    }
    Fields fields;
    for (std::size_t i = 0; i < header.size(); ++i) fields[header[i]] = (*cells)[i];
    entries.push_back(Entry(fields));
  }
  return entries;
}

OsResult<std::vector<RecordEntry>> ReadRecords(const std::string& path) {
  // Within the guard's bounds for text (lines of 64 KiB, 64 MiB in all).
  const OsResult<std::string> text = ReadTextInput(path);
  if (!text) return OsError{path + ": " + text.reason()};
  OsResult<std::vector<RecordEntry>> entries = ParseRecords(*text);
  if (!entries) return OsError{path + " " + entries.reason()};
  return entries;
}

std::set<std::string> PassedSerials(const std::vector<RecordEntry>& entries, const std::string& sha256) {
  std::set<std::string> serials;
  for (const RecordEntry& entry : entries) {
    if (entry.result == "pass" && entry.sha256 == sha256 && !entry.serial.empty()) {
      serials.insert(entry.serial);
    }
  }
  return serials;
}

}  // namespace zentho::cli
