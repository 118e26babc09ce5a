// How a verb ended, and the process exit code documented for each ending.
#pragma once

namespace zentho::cli {

enum class Outcome {
  Success,
  DownloadFailed,  // a session failed on at least one device, or a check found a fault
  UsageError,
  NoDevice,
  FileUnreadable,  // an input cannot be read, or an output cannot be written
};

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitDownloadFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoDevice = 3;
inline constexpr int kExitFileUnreadable = 4;

}  // namespace zentho::cli
