// Reading record lines back.
#include "app/station/record_reading.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>
#include <utility>

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

// Reads a record's text row by row. A row ends at LF or CR LF outside quotes; a quoted
// CSV cell keeps its line ends as they are.
class RowReader {
 public:
  explicit RowReader(std::string_view text) : text_(text) {}

  bool done() const { return at_ == text_.size(); }
  // The next line is empty (a line of blanks is a CSV row of one blank cell).
  bool blank() const { return text_[at_] == '\n' || text_.substr(at_, 2) == "\r\n"; }
  bool startsWith(char c) const { return text_[at_] == c; }
  // The line the next row starts on, counted from 1.
  unsigned lineNumber() const { return line_; }

  // The rest of the line, without its line end: a JSON row, or a blank one passed over.
  std::string wholeLine() {
    const std::size_t end = std::min(text_.find('\n', at_), text_.size());
    std::string row(text_.substr(at_, end - at_));
    if (!row.empty() && row.back() == '\r') row.pop_back();
    next(end);
    return row;
  }

  // One CSV row as the station writes it (RFC 4180 quoting; a cell that would run as a
  // formula carries a single quote in front inside its quotes). Nothing when a quoted
  // cell does not end.
  std::optional<std::vector<std::string>> csvRow() {
    std::vector<std::string> cells;
    std::string cell;
    bool quoted = false;
    bool wasQuoted = false;
    std::size_t i = at_;
    for (;; ++i) {
      if (i == text_.size()) {
        if (quoted) return std::nullopt;
        break;
      }
      const char c = text_[i];
      if (quoted) {
        if (c == '"' && i + 1 < text_.size() && text_[i + 1] == '"') {
          cell.push_back('"');
          ++i;
        } else if (c == '"') {
          quoted = false;
        } else {
          if (c == '\n') ++line_;
          cell.push_back(c);
        }
      } else if (c == '"') {
        quoted = wasQuoted = true;
      } else if (c == ',') {
        cells.push_back(Unquoted(std::exchange(cell, {}), wasQuoted));
        wasQuoted = false;
      } else if (c == '\n' || (c == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n')) {
        break;
      } else {
        cell.push_back(c);
      }
    }
    cells.push_back(Unquoted(std::move(cell), wasQuoted));
    next(i);
    return cells;
  }

 private:
  // A formula's neutralising quote taken off again.
  static std::string Unquoted(std::string cell, bool wasQuoted) {
    if (wasQuoted && cell.starts_with('\'') && LooksLikeFormula(std::string_view(cell).substr(1))) {
      cell.erase(0, 1);
    }
    return cell;
  }

  // On past the line end at `end` (or the text's end).
  void next(std::size_t end) {
    if (end < text_.size() && text_[end] == '\r') ++end;
    at_ = std::min(end + 1, text_.size());
    ++line_;
  }

  std::string_view text_;
  std::size_t at_ = 0;
  unsigned line_ = 1;
};

}  // namespace

OsResult<std::vector<RecordEntry>> ParseRecords(const std::string& text) {
  std::vector<RecordEntry> entries;
  std::vector<std::string> header;
  RowReader rows(text);
  while (!rows.done()) {
    const std::string where = "line " + std::to_string(rows.lineNumber()) + ": ";
    if (rows.blank()) {
      rows.wholeLine();
      continue;
    }
    if (rows.startsWith('{')) {
      const std::optional<Fields> fields = JsonFields(rows.wholeLine());
      if (!fields) return OsError{where + "not a JSON record"};
      entries.push_back(Entry(*fields));
      continue;
    }
    std::optional<std::vector<std::string>> cells = rows.csvRow();
    if (!cells) return OsError{where + "a quoted cell does not end"};
    if (header.empty()) {
      if (cells->front() != "start") return OsError{where + "not a record (no JSON, no CSV header)"};
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
