// Trace lines written and read back, and the device that replays them.
#include "device/simulated/replay_device.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cinttypes>
#include <cstdio>

#include "transfer/hex_digit.h"

namespace zentho::sim {
namespace {

std::string_view OpName(TraceKind kind) {
  switch (kind) {
    case TraceKind::Output: return "out";
    case TraceKind::Input: return "in";
    case TraceKind::InputLength: return "inlen";
  }
  return "?";
}

std::optional<TraceKind> OpFromName(std::string_view name) {
  if (name == "out") return TraceKind::Output;
  if (name == "in") return TraceKind::Input;
  if (name == "inlen") return TraceKind::InputLength;
  return std::nullopt;
}

std::string Decode(const TraceEntry& entry) {
  char text[96];
  if (entry.kind == TraceKind::Output && entry.bytes.size() >= kBlockHeaderLength) {
    const std::uint8_t* b = entry.bytes.data();
    if (b[1] == static_cast<std::uint8_t>(Command::DNLOAD)) {
      std::snprintf(text, sizeof text, "DNLOAD:block=%u,len=%u", unsigned(b[4] | (b[5] << 8)),
                    unsigned(b[2] | (b[3] << 8)));
    } else {
      std::snprintf(text, sizeof text, "%s:type=%u", std::string(CommandName(b[1])).c_str(),
                    unsigned{b[2]});
    }
    return text;
  }
  if (entry.kind == TraceKind::Input && entry.ok && entry.bytes.size() >= kStatusReportLength) {
    const StatusReport status = DecodeStatus(entry.bytes);
    const std::string_view state = StateName(status.state);
    if (state == "busy") {
      std::snprintf(text, sizeof text, "rev=%x,state=busy(%u),next=%u", unsigned{status.chipRevision},
                    unsigned{status.state}, unsigned{status.nextBlock});
    } else {
      std::snprintf(text, sizeof text, "rev=%x,state=%s,next=%u", unsigned{status.chipRevision},
                    std::string(state).c_str(), unsigned{status.nextBlock});
    }
    return text;
  }
  return "-";
}

// The longest line a recording can hold: an input report of the largest length the
// session accepts (16384 bytes, 32768 hex digits) and the fields before it.
constexpr std::size_t kMaxTraceLineLength = 2 * kMaxInputReportLength + 256;

// Like std::getline, but stops storing within one run past kMaxTraceLineLength, so that a
// file without line ends (or a huge sparse one) cannot take all memory. The line is taken
// in runs by istream::getline, which copies what the stream holds in bulk rather than a
// character at a time.
bool ReadBoundedLine(std::istream& in, std::string& line) {
  line.clear();
  char run[4096];
  for (;;) {
    in.getline(run, sizeof run);
    const auto got = static_cast<std::size_t>(in.gcount());
    if (in.bad()) return false;
    if (in.eof()) {
      // The last line, without its line end (or nothing at all).
      line.append(run, got);
      return got > 0 || !line.empty();
    }
    if (in.fail()) {
      // A full run: the line goes on. Anything else is a stream that cannot be read.
      if (got + 1 != sizeof run) return !line.empty();
      in.clear();
      line.append(run, got);
      if (line.size() > kMaxTraceLineLength) return true;
      continue;
    }
    line.append(run, got - 1);  // gcount counts the line end, which is not stored
    return true;
  }
}

// About 31 years: longer than any session, far inside the clock's range.
constexpr std::uint64_t kMaxTraceSeconds = 1'000'000'000;

template <typename Number>
bool ParseDecimal(std::string_view text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc{} && end == text.data() + text.size() && !text.empty();
}

bool ParseSeconds(std::string_view text, std::chrono::steady_clock::duration& at) {
  const std::size_t dot = text.find('.');
  std::uint64_t seconds = 0;
  std::uint64_t micros = 0;
  if (dot == std::string_view::npos || text.size() - dot - 1 != 6) return false;
  if (!ParseDecimal(text.substr(0, dot), seconds) || !ParseDecimal(text.substr(dot + 1), micros)) {
    return false;
  }
  // Past this the replay clock (steady_clock nanoseconds, from its origin) would overflow.
  if (seconds > kMaxTraceSeconds) return false;
  at = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::seconds{seconds} + std::chrono::microseconds{micros});
  return true;
}

bool ParseHex(std::string_view text, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  if (text == "-") return true;
  if (text.size() % 2 != 0) return false;
  bytes.resize(text.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const int high = HexDigitValue(text[2 * i]);
    const int low = HexDigitValue(text[2 * i + 1]);
    if (high < 0 || low < 0) {
      bytes.clear();
      return false;
    }
    bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return true;
}

}  // namespace

std::string FormatTraceLine(const TraceEntry& entry) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(entry.at).count();
  char head[64];
  std::snprintf(head, sizeof head, "%" PRIu64 ".%06" PRIu64 " ",
                static_cast<std::uint64_t>(micros / 1000000), static_cast<std::uint64_t>(micros % 1000000));
  std::string line = head;
  line.append(OpName(entry.kind)).append(entry.ok ? " ok " : " fail ");
  line.append(std::to_string(entry.length)).append(" ").append(Decode(entry)).append(" ");
  if (entry.bytes.empty()) {
    line.push_back('-');
  } else {
    std::size_t at = line.size();
    line.resize(at + 2 * entry.bytes.size());
    for (const std::uint8_t byte : entry.bytes) {
      line[at++] = kDigits[byte >> 4];
      line[at++] = kDigits[byte & 0x0F];
    }
  }
  line.push_back('\n');
  return line;
}

std::optional<TraceEntry> ParseTraceLine(std::string_view line, std::string& error) {
  // The six fields; past six only the count matters, for the error.
  std::array<std::string_view, 6> fields;
  std::size_t count = 0;
  for (std::size_t start = 0; start <= line.size(); ++count) {
    const std::size_t space = std::min(line.find(' ', start), line.size());
    if (count < fields.size()) fields[count] = line.substr(start, space - start);
    start = space + 1;
  }
  if (count != fields.size()) {
    error = "expected 6 fields, found " + std::to_string(count);
    return std::nullopt;
  }
  TraceEntry entry;
  if (!ParseSeconds(fields[0], entry.at)) {
    error = "bad time stamp \"" + std::string(fields[0]) + "\"";
    return std::nullopt;
  }
  const std::optional<TraceKind> kind = OpFromName(fields[1]);
  if (!kind) {
    error = "unknown op \"" + std::string(fields[1]) + "\"";
    return std::nullopt;
  }
  entry.kind = *kind;
  if (fields[2] != "ok" && fields[2] != "fail") {
    error = "result must be ok or fail";
    return std::nullopt;
  }
  entry.ok = fields[2] == "ok";
  if (!ParseDecimal(fields[3], entry.length)) {
    error = "bad length \"" + std::string(fields[3]) + "\"";
    return std::nullopt;
  }
  if (!ParseHex(fields[5], entry.bytes)) {
    error = "bad hex bytes";
    return std::nullopt;
  }
  return entry;
}

std::optional<std::vector<TraceEntry>> ReadTrace(std::istream& in, std::string& error) {
  std::vector<TraceEntry> entries;
  std::string line;
  for (unsigned number = 1; ReadBoundedLine(in, line); ++number) {
    if (line.size() > kMaxTraceLineLength) {
      error = "line " + std::to_string(number) + ": longer than " +
              std::to_string(kMaxTraceLineLength) + " characters";
      return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    std::string lineError;
    std::optional<TraceEntry> entry = ParseTraceLine(line, lineError);
    if (!entry) {
      error = "line " + std::to_string(number) + ": " + lineError;
      return std::nullopt;
    }
    entries.push_back(std::move(*entry));
  }
  return entries;
}

ReplayDevice::ReplayDevice(std::vector<TraceEntry> entries, Clock& clock)
    : entries_(std::move(entries)), clock_(clock), origin_(clock.now()) {}

const TraceEntry* ReplayDevice::next(TraceKind kind, std::size_t length) {
  if (!divergence_.empty()) return nullptr;
  const std::size_t index = position_;
  const std::string where = "exchange " + std::to_string(index + 1) + ": ";
  if (index >= entries_.size()) {
    divergence_ = where + "the recording has ended";
    return nullptr;
  }
  const TraceEntry& entry = entries_[index];
  if (entry.kind != kind || (kind != TraceKind::InputLength && entry.length != length)) {
    divergence_ = where + "recorded " + std::string(OpName(entry.kind)) + " of " +
                  std::to_string(entry.length) + " bytes, asked " + std::string(OpName(kind)) +
                  " of " + std::to_string(length);
    return nullptr;
  }
  ++position_;
  return &entry;
}

void ReplayDevice::noteRecordedFailure() {
  std::lock_guard lock(mutex_);
  recordedFailure_ = "exchange " + std::to_string(position_) + " failed in the recording";
}

std::string ReplayDevice::failureReason() {
  std::lock_guard lock(mutex_);
  // Leaving the recording is the last word: no exchange is answered after it.
  return divergence_.empty() ? recordedFailure_ : divergence_;
}

bool ReplayDevice::setOutputReport(std::span<const std::uint8_t> report) {
  const TraceEntry* entry = nullptr;
  {
    std::lock_guard lock(mutex_);
    entry = next(TraceKind::Output, report.size());
    if (entry != nullptr && !std::equal(report.begin(), report.end(), entry->bytes.begin(),
                                        entry->bytes.end())) {
      const TraceEntry sent{TraceKind::Output, true, report.size(), {report.begin(), report.end()}, {}};
      divergence_ = "exchange " + std::to_string(position_) + ": sent " + Decode(sent) +
                    " with other bytes than the recorded " + Decode(*entry);
      entry = nullptr;
    }
  }
  if (entry == nullptr) return false;
  clock_.elapseUntil(origin_ + entry->at);
  if (!entry->ok) noteRecordedFailure();
  return entry->ok;
}

bool ReplayDevice::getInputReport(std::span<std::uint8_t> buffer) {
  const TraceEntry* entry = nullptr;
  {
    std::lock_guard lock(mutex_);
    entry = next(TraceKind::Input, buffer.size());
  }
  if (entry == nullptr) return false;
  clock_.elapseUntil(origin_ + entry->at);
  if (!entry->ok) noteRecordedFailure();
  if (entry->ok) {
    std::copy_n(entry->bytes.begin(), std::min(buffer.size(), entry->bytes.size()), buffer.begin());
  }
  return entry->ok;
}

std::optional<std::size_t> ReplayDevice::inputReportLength() {
  const TraceEntry* entry = nullptr;
  {
    std::lock_guard lock(mutex_);
    entry = next(TraceKind::InputLength, 0);
  }
  if (entry == nullptr) return std::nullopt;
  clock_.elapseUntil(origin_ + entry->at);
  if (!entry->ok) return std::nullopt;
  return entry->length;
}

std::string ReplayDevice::divergence() const {
  std::lock_guard lock(mutex_);
  return divergence_;
}

std::size_t ReplayDevice::played() const {
  std::lock_guard lock(mutex_);
  return position_;
}

}  // namespace zentho::sim
