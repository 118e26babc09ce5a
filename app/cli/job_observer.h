// What a download job tells its outputs (text, JSON Lines, progress bar, log files),
// device by device. Devices are numbered in the order they were found.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/target.h"
#include "transfer/clock.h"

namespace zentho::cli {

struct DeviceResult {
  std::string path;
  std::string name;
  bool ok = false;
  std::uint32_t bytes = 0;  // progress reached: file bytes acknowledged
  std::uint32_t total = 0;  // the file's length (0 when the session ended before measuring)
  Clock::duration elapsed{};
  // The session's last line that says something (the job's own failure line aside).
  std::string lastLine = {};
};

// Calls are never concurrent (RunJobs serialises them) and come in this order for each
// device: started, then logged / progressed / debugTraced, then finished. summarized
// comes once, after every device has finished.
class JobObserver {
 public:
  virtual ~JobObserver() = default;
  virtual void started(std::size_t /*device*/, const Target& /*target*/) {}
  // One message of the session's log, exactly as written (CR LF line ends).
  virtual void logged(std::size_t /*device*/, std::string_view /*text*/) {}
  virtual void progressed(std::size_t /*device*/, std::uint32_t /*bytes*/, std::uint32_t /*total*/) {}
  // One debug-trace line (ends in LF alone).
  virtual void debugTraced(std::size_t /*device*/, std::string_view /*line*/) {}
  // A report exchange failed, for this reason (no line end). debugTraced follows with
  // the same reason as a trace line.
  virtual void exchangeFailed(std::size_t /*device*/, std::string_view /*reason*/) {}
  virtual void finished(std::size_t /*device*/, const DeviceResult& /*result*/) {}
  virtual void summarized(const std::vector<DeviceResult>& /*results*/) {}
};

}  // namespace zentho::cli
