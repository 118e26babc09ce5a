// Runs one download session per device, all devices at once, one thread each.
#pragma once

#include <stop_token>
#include <string>
#include <vector>

#include "app/cli/job_observer.h"
#include "app/cli/target.h"
#include "transfer/download_session.h"

namespace zentho::cli {

struct JobRequest {
  int downloadMode = kModeKvmSystem;
  std::string filePath;
  SessionSettings settings;
};

// Each device's log starts with the job's start line and, when its session fails, ends
// with the job's failure line, as the window's download job writes them. `observer`
// receives every event of every device, one call at a time.
std::vector<DeviceResult> RunJobs(const JobRequest& job, const std::vector<Target>& targets,
                                  JobObserver& observer, std::stop_token stop);

}  // namespace zentho::cli
