// The exact log (CR LF, as the window shows it) of each device, for --log.
#pragma once

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/cli/job_observer.h"
#include "app/cli/target.h"

namespace zentho::cli {

// `base` itself for a single device; with several, one file each: `base` + "." + the
// device's short name, characters other than letters, digits, "-" and "_" made "-"
// ("run.log.hidraw3", "run.log.sim-0").
std::string PerDevicePath(const std::string& base, const std::string& name, bool perDevice);

class LogFiles final : public JobObserver {
 public:
  // Creates every file before the job starts; on failure names the one that failed.
  bool open(const std::string& base, const std::vector<Target>& targets, bool perDevice,
            std::string& failedPath);

  void logged(std::size_t device, std::string_view text) override;

 private:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::vector<std::unique_ptr<std::FILE, Closer>> files_;
};

}  // namespace zentho::cli
