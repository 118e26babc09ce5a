// A SessionSink that records every call in order, for exact comparisons in tests.
#pragma once

#include <string>
#include <vector>

#include "transfer/session_sink.h"

namespace zentho::testing {

class RecordingSink final : public SessionSink {
 public:
  void appendLog(std::string_view text) override {
    events.push_back("log:" + std::string(text));
    log += text;
  }
  void setProgressRange(std::uint32_t low, std::uint32_t high) override {
    events.push_back("range:" + std::to_string(low) + ".." + std::to_string(high));
  }
  void setProgressStep(std::uint32_t step) override { events.push_back("step:" + std::to_string(step)); }
  void setProgressPosition(std::uint32_t position) override {
    events.push_back("pos:" + std::to_string(position));
  }
  void debugTrace(std::string_view line) override { events.push_back("trace:" + std::string(line)); }

  std::vector<std::string> events;
  std::string log;
};

}  // namespace zentho::testing
