// Prints a session's log to a stream, and keeps an exact copy for --log.
#pragma once

#include <cstdio>
#include <string>

#include "transfer/session_sink.h"

namespace zentho::cli {

class ConsoleSink final : public SessionSink {
 public:
  // `out` receives the log with LF line ends; `exactLog` (may be null) the CR LF text.
  ConsoleSink(std::FILE* out, std::FILE* exactLog, bool debugTraceToStderr);

  void appendLog(std::string_view text) override;
  void setProgressRange(std::uint32_t low, std::uint32_t high) override;
  void setProgressStep(std::uint32_t step) override;
  void setProgressPosition(std::uint32_t position) override;
  void debugTrace(std::string_view line) override;

 private:
  std::FILE* out_;
  std::FILE* exactLog_;
  bool debugTraceToStderr_;
};

// CR LF pairs become LF; a lone CR stays.
std::string ToLfLineEnds(std::string_view text);

}  // namespace zentho::cli
