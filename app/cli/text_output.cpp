// Plain-text output of download jobs.
#include "app/cli/text_output.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

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

int WriteAndFlush(std::FILE* out, std::string_view text) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), out) == text.size() && std::fflush(out) == 0) return 0;
  return errno != 0 ? errno : EIO;
}

TextOutput::TextOutput(std::FILE* out, Options options) : out_(out), options_(options) {}

void TextOutput::emit(std::string_view text) {
  const int failure = WriteAndFlush(out_, text);
  if (writeError_ == 0) writeError_ = failure;
}

void TextOutput::started(std::size_t device, const Target& target) { names_[device] = target.name; }

void TextOutput::logged(std::size_t device, std::string_view text) {
  if (!options_.prefixLines) {
    const std::string lines = ToLfLineEnds(text);
    emit(lines);
    return;
  }
  // A CR LF split across two messages still becomes one LF: the CR waits in pending_.
  pending_[device] += text;
  writeLines(device, false);
}

void TextOutput::writeLines(std::size_t device, bool flushPartial) {
  std::string& pending = pending_[device];
  const std::string prefix = "[" + names_[device] + "]";
  std::string text;
  std::size_t start = 0;
  for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
    std::size_t lineEnd = end;
    if (lineEnd > start && pending[lineEnd - 1] == '\r') --lineEnd;
    text.append(prefix);
    if (lineEnd > start) text.append(" ").append(pending, start, lineEnd - start);
    text.push_back('\n');
  }
  pending.erase(0, start);
  if (flushPartial && !pending.empty()) {
    text.append(prefix).append(" ").append(pending).push_back('\n');
    pending.clear();
  }
  emit(text);
}

void TextOutput::debugTraced(std::size_t device, std::string_view line) {
  if (options_.debugTrace == nullptr) return;
  std::string text = options_.prefixLines ? "[" + names_[device] + "] " : std::string{};
  text.append(line);
  std::fwrite(text.data(), 1, text.size(), options_.debugTrace);
}

void TextOutput::finished(std::size_t device, const DeviceResult&) {
  if (options_.prefixLines) writeLines(device, true);
}

void TextOutput::summarized(const std::vector<DeviceResult>& results) {
  if (!options_.summaryTable) return;
  const std::string table = SummaryTable(results);
  emit(table);
}

std::string SummaryTable(const std::vector<DeviceResult>& results) {
  std::size_t nameWidth = std::string_view("device").size();
  std::size_t bytesWidth = std::string_view("bytes").size();
  std::vector<std::string> bytes;
  for (const DeviceResult& r : results) {
    nameWidth = std::max(nameWidth, r.path.size());
    bytes.push_back(std::to_string(r.bytes) + "/" + std::to_string(r.total));
    bytesWidth = std::max(bytesWidth, bytes.back().size());
  }
  auto pad = [](std::string text, std::size_t width) {
    text.resize(std::max(width, text.size()), ' ');
    return text;
  };
  std::string table(1, '\n');
  table += pad("device", nameWidth) + "  result  " + pad("bytes", bytesWidth) + "  seconds\n";
  unsigned passed = 0;
  for (std::size_t i = 0; i < results.size(); ++i) {
    const DeviceResult& r = results[i];
    passed += r.ok ? 1 : 0;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f",
                  std::chrono::duration<double>(r.elapsed).count());
    table += pad(r.path, nameWidth) + "  " + (r.ok ? "pass  " : "FAIL  ") + "  " +
             pad(bytes[i], bytesWidth) + "  " + seconds + "\n";
  }
  const auto failed = results.size() - passed;
  table += std::to_string(results.size()) + (results.size() == 1 ? " device: " : " devices: ") +
           std::to_string(passed) + " passed, " + std::to_string(failed) + " failed\n";
  return table;
}

}  // namespace zentho::cli
