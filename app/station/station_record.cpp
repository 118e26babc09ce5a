// Record lines and their durable append.
#include "app/station/station_record.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include <nlohmann/json.hpp>

#include "app/cli/hex_id.h"

namespace zentho::cli {
namespace {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted.push_back('"');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  return quoted;
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

}  // namespace

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

std::string RecordJson(const SessionRecord& r) {
  nlohmann::ordered_json object = {
      {"start", FormatUtc(r.start)},
      {"end", FormatUtc(r.end)},
      {"port", r.port},
      {"serial", r.serial},
      {"device", r.device},
      {"vid", FormatHexId(r.vendorId)},
      {"pid", FormatHexId(r.productId)},
      {"mode", r.mode},
      {"file", r.file},
      {"size", r.size},
      {"sha256", r.sha256},
      {"result", r.result},
      {"failure", r.failure.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(r.failure)},
      // Milliseconds as a JSON number, not a float that prints 0.1 as 0.1000000001.
      {"seconds", nlohmann::ordered_json::parse(Seconds(r.seconds))},
      {"tool", r.tool},
  };
  return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string RecordCsvHeader() {
  return "start,end,port,serial,device,vid,pid,mode,file,size,sha256,result,failure,seconds,tool\r\n";
}

std::string RecordCsv(const SessionRecord& r) {
  const std::string fields[] = {FormatUtc(r.start), FormatUtc(r.end), r.port, r.serial, r.device,
                                FormatHexId(r.vendorId), FormatHexId(r.productId), r.mode, r.file,
                                std::to_string(r.size), r.sha256, r.result, r.failure,
                                Seconds(r.seconds), r.tool};
  std::string row;
  for (const std::string& field : fields) {
    if (!row.empty()) row.push_back(',');
    row += CsvField(field);
  }
  return row + "\r\n";
}

}  // namespace zentho::cli
