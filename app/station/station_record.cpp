// Record lines and their durable append.
#include "app/station/station_record.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/cli/hex_id.h"

namespace zentho::cli {
namespace {

// A cell a spreadsheet would run as a formula gets a single quote in front, inside
// quotes, so that it shows as the text it is.
std::string CsvField(const std::string& text) {
  const bool formula = LooksLikeFormula(text);
  if (!formula && text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = formula ? "\"'" : "\"";
  for (char c : text) {
    if (c == '"') quoted.push_back('"');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  return quoted;
}

std::string SecondsField(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

}  // namespace

bool LooksLikeFormula(std::string_view cell) {
  const std::size_t first = cell.find_first_not_of('\'');
  return first != std::string_view::npos && std::string_view("=+-@\t\r").find(cell[first]) != std::string_view::npos;
}

std::string FormatUtc(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const auto millis = duration_cast<milliseconds>(time.time_since_epoch()).count();
  const std::time_t whole = static_cast<std::time_t>(millis / 1000);
  std::tm utc{};
  ToUtc(whole, utc);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(millis % 1000));
  return text;
}

namespace {

// How a field is written in JSON; CSV writes every one as text.
enum class Kind { Text, TextOrNull, Number };

struct Field {
  const char* name;
  std::string text;
  Kind kind;
};

// The one list of a record's fields, in their order: the JSON line and the CSV row are
// both made from it, so they always hold the same fields.
std::vector<Field> Fields(const SessionRecord& r) {
  return {
      {"start", FormatUtc(r.start), Kind::Text},
      {"end", FormatUtc(r.end), Kind::Text},
      {"port", r.port, Kind::Text},
      {"serial", r.serial, Kind::Text},
      {"device", r.device, Kind::Text},
      {"vid", FormatHexId(r.vendorId), Kind::Text},
      {"pid", FormatHexId(r.productId), Kind::Text},
      {"mode", r.mode, Kind::Text},
      {"file", r.file, Kind::Text},
      {"size", std::to_string(r.size), Kind::Number},
      {"sha256", r.sha256, Kind::Text},
      {"result", r.result, Kind::Text},
      {"failure", r.failure, Kind::TextOrNull},
      // Milliseconds as a JSON number, not a float that prints 0.1 as 0.1000000001.
      {"seconds", SecondsField(r.seconds), Kind::Number},
      {"tool", r.tool, Kind::Text},
      // Added after the first release: readers of older records find them missing.
      {"job", r.job, Kind::TextOrNull},
      {"lot", r.lot, Kind::TextOrNull},
      {"station", r.station, Kind::Text},
      {"slot", r.slot, Kind::Text},
  };
}

}  // namespace

std::string RecordJson(const SessionRecord& r) {
  nlohmann::ordered_json object = nlohmann::ordered_json::object();
  for (const Field& field : Fields(r)) {
    if (field.kind == Kind::Number) {
      object[field.name] = nlohmann::ordered_json::parse(field.text);
    } else if (field.kind == Kind::TextOrNull && field.text.empty()) {
      object[field.name] = nullptr;
    } else {
      object[field.name] = field.text;
    }
  }
  return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string RecordCsvHeader() {
  std::string row;
  for (const Field& field : Fields(SessionRecord{})) {
    if (!row.empty()) row.push_back(',');
    row += field.name;
  }
  return row + "\r\n";
}

std::string RecordCsv(const SessionRecord& r) {
  std::string row;
  bool first = true;
  for (const Field& field : Fields(r)) {
    if (!first) row.push_back(',');
    first = false;
    row += CsvField(field.text);
  }
  return row + "\r\n";
}

}  // namespace zentho::cli
