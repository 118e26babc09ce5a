// A record of every report exchanged with a device, with its result.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace zentho::sim {

enum class TraceKind : std::uint8_t {
  Output,        // setOutputReport: bytes sent
  Input,         // getInputReport: bytes answered (as many as were asked for)
  InputLength,   // inputReportLength: `length` holds the answer
};

struct TraceEntry {
  TraceKind kind = TraceKind::Output;
  bool ok = false;
  std::size_t length = 0;             // bytes asked for or sent; declared length
  std::vector<std::uint8_t> bytes;    // the report bytes (empty for InputLength)
  std::chrono::steady_clock::duration at{};  // time stamp on the device's clock
};

}  // namespace zentho::sim
