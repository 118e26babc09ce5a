// JSON Lines on stdout: one object per event, for GUIs and scripts.
#pragma once

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "app/cli/job_observer.h"

namespace zentho::cli {

// Writes `object` as one line. Text that is not UTF-8 (a path) is replaced, not refused.
// The errno of a failed write, 0 when it was written.
int WriteJsonLine(std::FILE* out, const nlohmann::ordered_json& object);

// {"event":"error","error":KIND,"message":MESSAGE}: a run that ended before any session.
void WriteJsonError(std::FILE* out, std::string_view kind, std::string_view message);

// Every job event: start, log (exact text), progress, exchange-failed (the system's
// reason), debug (with --debug-trace), result, summary.
class JsonOutput final : public JobObserver {
 public:
  JsonOutput(std::FILE* out, std::string mode, std::string file, bool debugTrace);

  void started(std::size_t device, const Target& target) override;
  void logged(std::size_t device, std::string_view text) override;
  void progressed(std::size_t device, std::uint32_t bytes, std::uint32_t total) override;
  void debugTraced(std::size_t device, std::string_view line) override;
  void exchangeFailed(std::size_t device, std::string_view reason) override;
  void finished(std::size_t device, const DeviceResult& result) override;
  void summarized(const std::vector<DeviceResult>& results) override;

  // The errno of the first event that could not be written, 0 if none.
  int writeError() const { return writeError_; }

 private:
  void emit(const nlohmann::ordered_json& object);
  nlohmann::ordered_json event(std::string_view name, std::size_t device) const;

  std::FILE* out_;
  std::string mode_;
  std::string file_;
  bool debugTrace_;
  std::vector<std::string> paths_;
  int writeError_ = 0;
};

}  // namespace zentho::cli
