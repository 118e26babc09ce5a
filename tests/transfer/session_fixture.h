// Runs download sessions against the simulated device on a manual clock.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "device/simulated/simulated_device.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"
#include "transfer/download_session.h"

namespace zentho::testing {

// "SETIMGTYPE 1", "DNLOAD 2 452", "GET 8 ok", "GET 8 fail", "LEN 8": one line per report.
std::string Describe(const sim::TraceEntry& entry);
std::vector<std::string> Describe(const std::vector<sim::TraceEntry>& trace);

// Hex of the first `count` bytes of an entry, e.g. "01 01 C4 01 02 00".
std::string HeaderHex(const sim::TraceEntry& entry, std::size_t count = 6);

std::vector<sim::TraceEntry> Outputs(const std::vector<sim::TraceEntry>& trace);

class SessionTest : public ::testing::Test {
 protected:
  // A device answering at 1 ms per packet on the manual clock, so time moves with
  // every report and an acknowledgement time-out can expire without real waiting.
  sim::SimulatedDevice& device(sim::FaultPlan faults = {}) {
    sim::SimulatedDeviceOptions options;
    options.faults = std::move(faults);
    options.timing.perPacket = std::chrono::microseconds{1000};
    device_.emplace(options, clock);
    return *device_;
  }

  int run(DownloadMode mode, const std::string& path) {
    if (!device_) device();
    DownloadRequest request{mode, path, settings};
    SessionContext context{*device_, configImage, sink, clock, stop.get_token()};
    return RunDownloadSession(request, context);
  }

  std::vector<std::string> trace() const { return Describe(device_->trace()); }
  std::vector<std::string> logLines() const;

  TempDir dir;
  ManualClock clock;
  RecordingSink sink;
  ConfigImage configImage{};
  SessionSettings settings;
  std::stop_source stop;
  std::optional<sim::SimulatedDevice> device_;
};

}  // namespace zentho::testing
