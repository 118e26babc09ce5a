// The exact log (CR LF, as the window shows it) of each device, for --log.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/job_observer.h"
#include "app/cli/output_files.h"
#include "app/cli/target.h"

namespace zentho::cli {

// `base` itself for a single device; with several, one file each: `base` + "." + the
// device's short name, characters other than letters, digits, "-" and "_" made "-"
// ("run.log.hidraw3", "run.log.sim-0").
std::string PerDevicePath(const std::string& base, const std::string& name, bool perDevice);

class LogFiles final : public JobObserver {
 public:
  // One file per device, in the order of the targets, already created.
  void add(OutputFile file, std::string path);

  void logged(std::size_t device, std::string_view text) override;

  // The first write that failed, as "PATH: reason".
  std::optional<std::string> failure() const;

 private:
  struct Log {
    OutputFile file;
    std::string path;
    std::optional<std::string> failure;
  };
  std::vector<Log> logs_;
};

}  // namespace zentho::cli
