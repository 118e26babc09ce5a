// Records every report exchange of a session to a trace file, one line each, as it
// happens, so that a session that dies still leaves its trace behind.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "transfer/clock.h"
#include "base/os_result.h"
#include "transfer/report_protocol.h"

namespace zentho::sim {

class TraceRecorder final : public ReportChannel {
 public:
  // Creates (or empties) the file at `path` and writes the trace header to it. Time
  // stamps count from now on `clock`. Fails with the OS's reason when the file can't be
  // created.
  static OsResult<std::shared_ptr<TraceRecorder>> Create(std::shared_ptr<ReportChannel> inner,
                                                         const std::string& path, Clock& clock);
  // Takes ownership of `file`, already created (the command line creates every output
  // before it empties any), and writes the trace header to it.
  static std::shared_ptr<TraceRecorder> Adopt(std::shared_ptr<ReportChannel> inner, std::FILE* file,
                                              Clock& clock);
  ~TraceRecorder() override;
  TraceRecorder(const TraceRecorder&) = delete;
  TraceRecorder& operator=(const TraceRecorder&) = delete;

  bool setOutputReport(std::span<const std::uint8_t> report) override;
  bool getInputReport(std::span<std::uint8_t> buffer) override;
  std::optional<std::size_t> inputReportLength() override;

  // The system's reason when a write or flush of the trace failed (the first one).
  std::optional<std::string> writeFailure();

 private:
  TraceRecorder(std::shared_ptr<ReportChannel> inner, std::FILE* file, Clock& clock);
  void write(const std::string& line);

  std::shared_ptr<ReportChannel> inner_;
  std::FILE* file_;
  Clock& clock_;
  const Clock::time_point origin_;
  std::mutex mutex_;
  std::optional<std::string> failure_;
};

}  // namespace zentho::sim
