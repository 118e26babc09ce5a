// Helpers shared by the benchmarks: scratch images, their digests, a silent sink,
// peak memory and figure formatting.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "transfer/session_sink.h"

namespace zentho::bench {

// A private directory under the system's temp directory, removed with everything in it
// when the object goes away (also when a benchmark fails half-way).
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Writes `length` pseudo-random bytes to `path` through a small buffer, so that making a
// large image does not itself raise the process's peak memory. Returns false on an
// I/O failure.
bool WriteImageFile(const std::filesystem::path& path, std::uint64_t length, std::uint64_t seed);

struct FileDigest {
  std::uint64_t length = 0;
  std::uint64_t digest = 0;  // FNV-1a 64, the simulated device's digest
};

// Reads the file back (not the generator's stream) so the digest is of what the session
// will read.
std::optional<FileDigest> DigestFile(const std::filesystem::path& path);

// The process's resident-set high-water mark in KiB (VmHWM: it belongs to this
// process image alone, whereas ru_maxrss also carries the parent's peak across exec).
std::optional<std::uint64_t> PeakResidentKiB();

std::string HexDigest(std::uint64_t digest);

}  // namespace zentho::bench
