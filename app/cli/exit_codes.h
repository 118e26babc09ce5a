// The process exit codes of zentho-iap, as documented in --help and the README.
#pragma once

namespace zentho::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitDownloadFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoDevice = 3;
inline constexpr int kExitFileUnreadable = 4;

}  // namespace zentho::cli
