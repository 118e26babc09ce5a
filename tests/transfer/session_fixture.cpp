// Helpers of the download-session tests.
#include "tests/transfer/session_fixture.h"

#include <cstdio>

namespace zentho::testing {

std::string Describe(const sim::TraceEntry& entry) {
  const std::string result = entry.ok ? " ok" : " fail";
  switch (entry.kind) {
    case sim::TraceKind::InputLength:
      return entry.ok ? "LEN " + std::to_string(entry.length) : "LEN fail";
    case sim::TraceKind::Input:
      return "GET " + std::to_string(entry.length) + result;
    case sim::TraceKind::Output:
      break;
  }
  const auto& b = entry.bytes;
  const std::string name(CommandName(b[1]));
  if (b[1] != static_cast<std::uint8_t>(Command::DNLOAD)) {
    return name + " " + std::to_string(b[2]) + (entry.ok ? "" : " fail");
  }
  return name + " " + std::to_string(b[4] | (b[5] << 8)) + " " + std::to_string(b[2] | (b[3] << 8)) +
         (entry.ok ? "" : " fail");
}

std::vector<std::string> Describe(const std::vector<sim::TraceEntry>& trace) {
  std::vector<std::string> lines;
  for (const auto& entry : trace) lines.push_back(Describe(entry));
  return lines;
}

std::string HeaderHex(const sim::TraceEntry& entry, std::size_t count) {
  std::string hex;
  for (std::size_t i = 0; i < count && i < entry.bytes.size(); ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%02X", entry.bytes[i]);
    if (!hex.empty()) hex += ' ';
    hex += byte;
  }
  return hex;
}

std::vector<sim::TraceEntry> Outputs(const std::vector<sim::TraceEntry>& trace) {
  std::vector<sim::TraceEntry> outputs;
  for (const auto& entry : trace) {
    if (entry.kind == sim::TraceKind::Output) outputs.push_back(entry);
  }
  return outputs;
}

std::vector<std::string> SessionTest::logLines() const {
  std::vector<std::string> lines;
  for (const auto& event : sink.events) {
    if (event.rfind("log:", 0) == 0) lines.push_back(event.substr(4));
  }
  return lines;
}

}  // namespace zentho::testing
