// Console output of a session's log.
#include "app/cli/console_sink.h"

namespace zentho::cli {

std::string ToLfLineEnds(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    result.push_back(text[i]);
  }
  return result;
}

ConsoleSink::ConsoleSink(std::FILE* out, std::FILE* exactLog, bool debugTraceToStderr)
    : out_(out), exactLog_(exactLog), debugTraceToStderr_(debugTraceToStderr) {}

void ConsoleSink::appendLog(std::string_view text) {
  if (out_ != nullptr) {
    const std::string lines = ToLfLineEnds(text);
    std::fwrite(lines.data(), 1, lines.size(), out_);
    std::fflush(out_);
  }
  if (exactLog_ != nullptr) {
    std::fwrite(text.data(), 1, text.size(), exactLog_);
    std::fflush(exactLog_);
  }
}

void ConsoleSink::setProgressRange(std::uint32_t, std::uint32_t) {}
void ConsoleSink::setProgressStep(std::uint32_t) {}
void ConsoleSink::setProgressPosition(std::uint32_t) {}

void ConsoleSink::debugTrace(std::string_view line) {
  if (debugTraceToStderr_) std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace zentho::cli
