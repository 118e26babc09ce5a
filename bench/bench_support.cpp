// Scratch images, digests and peak memory for the benchmarks.
#include "bench/bench_support.h"

#include <sys/resource.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

#include "device/simulated/simulated_device.h"

namespace zentho::bench {
namespace {

constexpr std::size_t kChunkLength = 64 * 1024;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zentho-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("zentho bench: mkdtemp");
    std::exit(2);
  }
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

bool WriteImageFile(const std::filesystem::path& path, std::uint64_t length, std::uint64_t seed) {
  FileHandle file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  // xorshift64*: cheap, and no two blocks alike, so a reordered or repeated block
  // changes the digest.
  std::uint64_t state = seed != 0 ? seed : 0x9E3779B97F4A7C15ULL;
  std::vector<std::uint8_t> chunk(kChunkLength);
  for (std::uint64_t written = 0; written < length;) {
    for (std::size_t i = 0; i < chunk.size(); i += 8) {
      state ^= state >> 12;
      state ^= state << 25;
      state ^= state >> 27;
      const std::uint64_t value = state * 0x2545F4914F6CDD1DULL;
      for (std::size_t b = 0; b < 8; ++b)
        chunk[i + b] = static_cast<std::uint8_t>(value >> (8 * b));
    }
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), length - written));
    if (std::fwrite(chunk.data(), 1, count, file.get()) != count) return false;
    written += count;
  }
  return std::fclose(file.release()) == 0;
}

std::optional<FileDigest> DigestFile(const std::filesystem::path& path) {
  FileHandle file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;
  FileDigest result;
  result.digest = sim::Fnv1a64(nullptr, 0);
  std::vector<std::uint8_t> chunk(kChunkLength);
  for (;;) {
    const std::size_t count = std::fread(chunk.data(), 1, chunk.size(), file.get());
    result.digest = sim::Fnv1a64(chunk.data(), count, result.digest);
    result.length += count;
    if (count < chunk.size()) break;
  }
  if (std::ferror(file.get())) return std::nullopt;
  return result;
}

std::optional<std::uint64_t> PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    std::uint64_t kib = 0;
    if (std::sscanf(line.c_str(), "VmHWM: %" SCNu64 " kB", &kib) == 1) return kib;
  }
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(usage.ru_maxrss);  // KiB on Linux
}

std::string HexDigest(std::uint64_t digest) {
  char text[19];
  std::snprintf(text, sizeof text, "%016" PRIx64, digest);
  return text;
}

}  // namespace zentho::bench
