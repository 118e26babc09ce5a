// The image the station flashes, hashed once when it starts: every session and every
// later look at the file on disk is checked against it.
#pragma once

#include <stop_token>
#include <string>

#include "transfer/download_mode.h"
#include "base/os_result.h"
#include "transfer/sha256.h"

namespace zentho::cli {

// What the station checks every session against, taken when it starts.
struct StationImage {
  FileDigest file;        // the file's digest and size
  Sha256Digest sent{};    // the digest of what a session sends (the built image for config)
};
// Hashes the file (and builds the configuration image in config mode); the OS's reason
// when it can't be read, kHashInterrupted when `stop` came first.
OsResult<StationImage> HashStationImage(const std::string& file, DownloadMode downloadMode,
                                        std::stop_token stop = {});

}  // namespace zentho::cli
