// Fuzz target: any bytes as a station record, a job file and a slot map. Each reads or
// fails with a reason; a job or map that reads is written back to the same; a session
// whose text fields are cut from the input reads back from its CSV row field for field
// (and from its JSON line, for ASCII fields).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/station/job_file.h"
#include "app/station/record_reading.h"
#include "app/station/slot_map.h"
#include "app/station/station_record.h"

namespace {

using namespace zentho::cli;

void Check(bool holds) {
  if (!holds) std::abort();
}

// The fields of `record` that a reader gets back.
bool Same(const RecordEntry& entry, const SessionRecord& record) {
  const std::string slot = !record.slot.empty() ? record.slot : !record.port.empty() ? record.port : record.device;
  return entry.port == record.port && entry.serial == record.serial && entry.sha256 == record.sha256 &&
         entry.result == record.result && entry.failure == record.failure && entry.job == record.job &&
         entry.lot == record.lot && entry.station == record.station && entry.slot == slot &&
         entry.start == FormatUtc(record.start);
}

void RoundTrip(const std::string& bytes) {
  // Eleven fields, cut at NUL bytes; those past the input's end are empty.
  std::vector<std::string> parts(11);
  std::size_t at = 0;
  for (std::string& part : parts) {
    if (at > bytes.size()) break;
    const std::size_t end = std::min(bytes.find('\0', at), bytes.size());
    part = bytes.substr(at, end - at);
    at = end + 1;
  }
  SessionRecord record;
  record.port = parts[0];
  record.serial = parts[1];
  record.device = parts[2];
  record.sha256 = parts[3];
  record.result = parts[4];
  record.failure = parts[5];
  record.job = parts[6];
  record.lot = parts[7];
  record.station = parts[8];
  record.slot = parts[9];
  record.file = parts[10];
  const auto csv = ParseRecords(RecordCsvHeader() + RecordCsv(record));
  Check(csv && csv->size() == 1 && Same(csv->front(), record));
  // JSON text is UTF-8: other bytes are written as U+FFFD.
  if (std::ranges::none_of(bytes, [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
    const auto json = ParseRecords(RecordJson(record));
    Check(json && json->size() == 1 && Same(json->front(), record));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  (void)ParseRecords(bytes);
  std::string error;
  if (const std::optional<StationJob> job = ParseJob(bytes, error)) {
    const std::string written = JobJson(*job);
    const std::optional<StationJob> back = ParseJob(written, error);
    Check(back && JobJson(*back) == written && back->slots.ports == job->slots.ports);
  }
  if (const std::optional<SlotMap> map = ParseSlotMap(bytes, error)) {
    const std::optional<SlotMap> back = ParseSlotMap(SlotMapText(*map), error);
    Check(back && back->ports == map->ports);
  }
  RoundTrip(bytes);
  return 0;
}
