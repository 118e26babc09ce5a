// Where a download session reports: the log pane, the progress bar and the debug trace.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zentho {

class SessionSink {
 public:
  virtual ~SessionSink() = default;
  // Appends one message to the end of the log (CR LF line ends, as given).
  virtual void appendLog(std::string_view text) = 0;
  virtual void setProgressRange(std::uint32_t low, std::uint32_t high) = 0;
  virtual void setProgressStep(std::uint32_t step) = 0;
  virtual void setProgressPosition(std::uint32_t position) = 0;
  // One line for the platform's debug output (ends in LF alone).
  virtual void debugTrace(std::string_view line) = 0;
  // A report exchange failed, for this reason in the system's words ("HIDIOCSOUTPUT:
  // Broken pipe"). The log never shows it; by default it becomes a debug-trace line.
  virtual void exchangeFailed(std::string_view reason) {
    std::string line(reason);
    line.push_back('\n');
    debugTrace(line);
  }
};

// Takes every message of a session and keeps none (benchmarks, fuzzing, quiet runs).
class DiscardSink final : public SessionSink {
 public:
  void appendLog(std::string_view) override {}
  void setProgressRange(std::uint32_t, std::uint32_t) override {}
  void setProgressStep(std::uint32_t) override {}
  void setProgressPosition(std::uint32_t) override {}
  void debugTrace(std::string_view) override {}
  void exchangeFailed(std::string_view) override {}
};

}  // namespace zentho
