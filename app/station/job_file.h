// A job file: what a line flashes (mode, image with its size and SHA-256, target IDs),
// for which lot, how many passes are wanted and how its ports are labelled.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/station/slot_map.h"
#include "device/hid_platform.h"
#include "transfer/download_mode.h"

namespace zentho::cli {

// A slot is quarantined after this many failed sessions in a row unless the job says.
inline constexpr unsigned kDefaultQuarantineAfter = 3;

struct StationJob {
  std::string name;
  DownloadMode mode = DownloadMode::KvmSystem;
  std::string image;   // relative to the job file's folder, with '/' between names
  std::uint64_t size = 0;
  std::string sha256;  // 64 lowercase hex digits
  device::HidIds ids{device::kOrvaneVendorId, device::kOrvaneProductId};
  std::string lot;
  unsigned count = 0;  // passes wanted; 0: no end
  unsigned quarantineAfter = kDefaultQuarantineAfter;  // 0: never
  SlotMap slots;
};

// The job as one JSON object and LF.
std::string JobJson(const StationJob& job);

// Reads a job back; fails with what is wrong ("\"sha256\" is not 64 hex digits").
std::optional<StationJob> ParseJob(const std::string& text, std::string& error);

// The image's path as a job written at `jobPath` names it, and back: a job moved with
// its image still finds it.
std::string ImagePathInJob(const std::string& imagePath, const std::string& jobPath);
std::string ImagePathFromJob(const StationJob& job, const std::string& jobPath);

}  // namespace zentho::cli
