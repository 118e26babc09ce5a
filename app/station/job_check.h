// What a job asks of its image before any board is touched: the very bytes it was made
// for, and for a configuration, a sealed image.
#pragma once

#include <optional>
#include <string>

#include "app/station/job_file.h"
#include "app/station/station_files.h"
#include "transfer/sha256.h"

namespace zentho::cli {

// A configuration text that would not be sealed (exit 1, as `config build` refuses it);
// nullopt for a sealed one and for firmware images.
std::optional<FileRefusal> CheckSealed(DownloadMode mode, const std::string& image);

// The image found is not the job's (exit 4), or CheckSealed's refusal.
std::optional<FileRefusal> CheckJobImage(const StationJob& job, const std::string& jobPath,
                                         const std::string& image, const FileDigest& found);

}  // namespace zentho::cli
