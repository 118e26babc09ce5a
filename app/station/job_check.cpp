// A job's image checked against the job.
#include "app/station/job_check.h"

#include "app/cli/config_check.h"

namespace zentho::cli {

std::optional<FileRefusal> CheckSealed(DownloadMode mode, const std::string& image) {
  if (mode != DownloadMode::SoftwareConfig) return std::nullopt;
  const OsResult<ConfigCheck> check = CheckConfigFile(image);
  if (!check) return FileRefusal{"cannot read " + image + ": " + check.reason(), Outcome::FileUnreadable};
  if (check->sealed) return std::nullopt;
  return FileRefusal{UnsealedLine(image, *check) + "; a configuration job takes only a sealed image",
                     Outcome::DownloadFailed};
}

std::optional<FileRefusal> CheckJobImage(const StationJob& job, const std::string& jobPath,
                                         const std::string& image, const FileDigest& found) {
  const std::string sha256 = ToHex(found.digest);
  if (sha256 != job.sha256 || found.size != job.size) {
    return FileRefusal{image + " is not the image of the job " + jobPath + ": SHA-256 " + sha256 + " (" +
                           std::to_string(found.size) + " bytes), the job's is " + job.sha256 + " (" +
                           std::to_string(job.size) + " bytes); no board touched",
                       Outcome::FileUnreadable};
  }
  return CheckSealed(job.mode, image);
}

}  // namespace zentho::cli
