// The session's log as people read it on stdout: LF line ends, a device prefix on each
// line when several devices run, and a result table at the end of an --all run.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <string_view>

#include "app/cli/job_observer.h"

namespace zentho::cli {

// CR LF pairs become LF; a lone CR stays.
std::string ToLfLineEnds(std::string_view text);

// Writes `text` and flushes: the errno of a failure (EPIPE when the reader has gone), 0
// when all of it was written.
int WriteAndFlush(std::FILE* out, std::string_view text);

class TextOutput final : public JobObserver {
 public:
  struct Options {
    bool prefixLines = false;   // "[name] " before every line
    bool summaryTable = false;  // a line per device and a count at the end
    std::FILE* debugTrace = nullptr;  // where debug-trace lines go, if anywhere
  };
  TextOutput(std::FILE* out, Options options);

  void started(std::size_t device, const Target& target) override;
  void logged(std::size_t device, std::string_view text) override;
  void debugTraced(std::size_t device, std::string_view line) override;
  void finished(std::size_t device, const DeviceResult& result) override;
  void summarized(const std::vector<DeviceResult>& results) override;

  // The errno of the first text that could not be written, 0 if none.
  int writeError() const { return writeError_; }

 private:
  void emit(std::string_view text);
  void writeLines(std::size_t device, bool flushPartial);

  std::FILE* out_;
  Options options_;
  std::map<std::size_t, std::string> names_;
  std::map<std::size_t, std::string> pending_;  // text after the last complete line
  int writeError_ = 0;
};

// The result table that ends an --all run.
std::string SummaryTable(const std::vector<DeviceResult>& results);

}  // namespace zentho::cli
