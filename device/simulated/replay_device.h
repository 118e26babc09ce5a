// The report trace as a text file, and a device that plays a recorded trace back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/simulated/report_trace.h"
#include "transfer/clock.h"
#include "transfer/report_protocol.h"

namespace zentho::sim {

// First line of every trace file; the number changes when the line layout does.
inline constexpr std::string_view kTraceHeader = "# zentho-iap report trace 1\n";
inline constexpr std::string_view kTraceColumns =
    "# seconds op result length decoded bytes\n";

// One exchange as one line, ending in LF:
//   <seconds> <op> <result> <length> <decoded> <bytes>
// seconds: since the session began, 6 decimals; op: out | in | inlen; result: ok | fail;
// length: bytes sent or asked for (inlen: the declared length, 0 when it failed);
// decoded: a reading of the bytes for people, ignored when the file is read back;
// bytes: lowercase hex without spaces, "-" when there are none.
std::string FormatTraceLine(const TraceEntry& entry);

// Reads one line written by FormatTraceLine (without its LF). On failure `error` says
// which field is wrong.
std::optional<TraceEntry> ParseTraceLine(std::string_view line, std::string& error);

// Reads a whole trace; comment and blank lines are skipped. On failure `error` names
// the line.
std::optional<std::vector<TraceEntry>> ReadTrace(std::istream& in, std::string& error);

// A ReportChannel that answers each call with the next recorded exchange, at the time
// it was recorded (charged to `clock`). The host must ask exactly what was asked in the
// recording: the first call that differs, or any call past the end, fails, as does
// every later call.
class ReplayDevice final : public ReportChannel {
 public:
  ReplayDevice(std::vector<TraceEntry> entries, Clock& clock);

  bool setOutputReport(std::span<const std::uint8_t> report) override;
  bool getInputReport(std::span<std::uint8_t> buffer) override;
  std::optional<std::size_t> inputReportLength() override;
  // Why the last exchange failed: the recording has it failing, or the replay left it.
  std::string failureReason() override;

  // Why the replay stopped following the recording, empty while it follows.
  std::string divergence() const;
  std::size_t played() const;
  std::size_t recorded() const { return entries_.size(); }

 private:
  // The next entry if it matches `kind` and `length`; otherwise records the divergence.
  const TraceEntry* next(TraceKind kind, std::size_t length);
  void noteRecordedFailure();

  const std::vector<TraceEntry> entries_;
  Clock& clock_;
  const Clock::time_point origin_;
  mutable std::mutex mutex_;
  std::size_t position_ = 0;
  std::string divergence_;
  std::string recordedFailure_;
};

}  // namespace zentho::sim
