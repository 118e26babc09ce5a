// Runs one download session per device, all devices at once, one thread each.
#pragma once

#include <stop_token>
#include <vector>

#include "app/cli/job_observer.h"
#include "app/cli/target.h"
#include "transfer/download_session.h"

namespace zentho::cli {

// Each device's session runs in the download job's frame, as in the window. `observer`
// receives every event of every device, one call at a time.
std::vector<DeviceResult> RunJobs(const DownloadRequest& request, const std::vector<Target>& targets,
                                  JobObserver& observer, std::stop_token stop);

}  // namespace zentho::cli
