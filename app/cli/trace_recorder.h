// Records every report exchange of a session to a trace file, one line each, as it
// happens, so that a session that dies still leaves its trace behind.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "transfer/clock.h"
#include "transfer/report_protocol.h"

namespace zentho::cli {

class TraceRecorder final : public ReportChannel {
 public:
  // Takes ownership of `file` and writes the trace header to it. Time stamps count
  // from now on `clock`.
  TraceRecorder(std::shared_ptr<ReportChannel> inner, std::FILE* file, Clock& clock);
  ~TraceRecorder() override;
  TraceRecorder(const TraceRecorder&) = delete;
  TraceRecorder& operator=(const TraceRecorder&) = delete;

  bool setOutputReport(std::span<const std::uint8_t> report) override;
  bool getInputReport(std::span<std::uint8_t> buffer) override;
  std::optional<std::size_t> inputReportLength() override;

  // The system's reason when a write or flush of the trace failed (the first one).
  std::optional<std::string> writeFailure();

 private:
  void write(const std::string& line);

  std::shared_ptr<ReportChannel> inner_;
  std::FILE* file_;
  Clock& clock_;
  const Clock::time_point origin_;
  std::mutex mutex_;
  std::optional<std::string> failure_;
};

}  // namespace zentho::cli
