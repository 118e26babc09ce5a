// bench_host_cost: what a download costs the host itself (time per block, peak memory)
// when the device answers at once.
//
// Each image is measured in a fresh process (this program re-runs itself with --child)
// so that the peak resident set of one image size says nothing about the other's.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "device/simulated/simulated_device.h"
#include "transfer/download_session.h"

extern char** environ;

namespace zentho::bench {
namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kRssTargetKiB = 1024;

// What one child process measured, printed on one line for the parent to read.
struct ChildResult {
  int sessionResult = 0;
  std::uint64_t length = 0;
  std::uint64_t digest = 0;
  int complete = 0;
  double bestSeconds = 0;
  double medianSeconds = 0;
  std::uint64_t peakKiB = 0;
};

constexpr const char* kChildFormat = "result=%d length=%" SCNu64 " digest=%" SCNx64
                                     " complete=%d best=%lf median=%lf peak_kib=%" SCNu64;

int RunChild(const std::string& path, unsigned runs, bool keepImages) {
  SystemClock clock;
  std::vector<double> seconds;
  ChildResult result;
  for (unsigned run = 0; run < runs; ++run) {
    sim::SimulatedDeviceOptions options;  // the default TimingModel costs nothing
    options.recordTrace = false;
    options.keepImages = keepImages;
    sim::SimulatedDevice device(options, clock);
    DiscardSink sink;
    ConfigImage configImage{};
    const DownloadRequest request{DownloadMode::KvmSystem, path, {}};
    SessionContext context{device, configImage, sink, clock, {}};

    const auto start = std::chrono::steady_clock::now();
    result.sessionResult = RunDownloadSession(request, context);
    const auto end = std::chrono::steady_clock::now();
    seconds.push_back(std::chrono::duration<double>(end - start).count());

    const std::optional<sim::ReceivedImage> image = device.image(ImageType::KvmSystem);
    result.length = image ? image->length : 0;
    result.digest = image ? image->digest : 0;
    result.complete = image && image->complete ? 1 : 0;
    if (result.sessionResult != 1) break;
  }
  std::sort(seconds.begin(), seconds.end());
  result.bestSeconds = seconds.front();
  result.medianSeconds = seconds[seconds.size() / 2];
  result.peakKiB = PeakResidentKiB().value_or(0);
  std::printf("result=%d length=%" PRIu64 " digest=%" PRIx64
              " complete=%d best=%.9f median=%.9f"
              " peak_kib=%" PRIu64 "\n",
              result.sessionResult, result.length, result.digest, result.complete,
              result.bestSeconds, result.medianSeconds, result.peakKiB);
  return 0;
}

// Runs this program again as a child measuring `path`; returns its line, parsed.
std::optional<ChildResult> MeasureInFreshProcess(const std::string& path, unsigned runs,
                                                 bool keepImages) {
  std::error_code error;
  const std::string self = std::filesystem::read_symlink("/proc/self/exe", error).string();
  if (error) return std::nullopt;
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return std::nullopt;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
  std::string runsText = std::to_string(runs);
  std::vector<char*> argv = {const_cast<char*>(self.c_str()),
                             const_cast<char*>("--child"),
                             const_cast<char*>(path.c_str()),
                             const_cast<char*>("--runs"),
                             runsText.data(),
                             nullptr,
                             nullptr};
  if (keepImages) argv[5] = const_cast<char*>("--keep-images");
  pid_t child = 0;
  const int spawned = posix_spawn(&child, self.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (spawned != 0) {
    close(pipeEnds[0]);
    return std::nullopt;
  }

  std::string output;
  char buffer[512];
  for (ssize_t count; (count = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
    output.append(buffer, static_cast<std::size_t>(count));
  }
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;

  ChildResult result;
  if (std::sscanf(output.c_str(), kChildFormat, &result.sessionResult, &result.length,
                  &result.digest, &result.complete, &result.bestSeconds, &result.medianSeconds,
                  &result.peakKiB) != 7) {
    return std::nullopt;
  }
  return result;
}

// The simulated device hashes every block it receives; at zero latency that work is
// part of the wall time, so it is shown apart from the host's own share.
double DeviceDigestMicrosPerBlock(std::uint64_t blocks) {
  std::vector<std::uint8_t> block(kBlockSize, 0x5A);
  std::uint64_t digest = sim::Fnv1a64(nullptr, 0);
  const auto start = std::chrono::steady_clock::now();
  for (std::uint64_t i = 0; i < blocks; ++i) {
    block[0] = static_cast<std::uint8_t>(i);
    digest = sim::Fnv1a64(block.data(), block.size(), digest);
  }
  const auto end = std::chrono::steady_clock::now();
  volatile std::uint64_t keep = digest;
  (void)keep;
  return std::chrono::duration<double, std::micro>(end - start).count() /
         static_cast<double>(blocks);
}

struct Measured {
  std::uint64_t mib = 0;
  ChildResult child;
  bool matches = false;
};

// Generates an image of `mib` MiB, measures it in a child and prints what it got.
std::optional<Measured> MeasureImage(const ScratchDir& scratch, std::uint64_t mib, unsigned runs,
                                     bool keepImages) {
  const auto path = scratch.path() / ("image-" + std::to_string(mib) + "MiB.bin");
  if (!WriteImageFile(path, mib * kMiB, 0xC0FFEE + mib)) {
    std::printf("image %" PRIu64 " MiB: cannot write %s\n", mib, path.c_str());
    return std::nullopt;
  }
  const std::optional<FileDigest> file = DigestFile(path);
  const std::optional<ChildResult> child = MeasureInFreshProcess(path.string(), runs, keepImages);
  if (!file || !child) {
    std::printf("image %" PRIu64 " MiB: measurement failed\n", mib);
    return std::nullopt;
  }
  std::error_code removeError;
  std::filesystem::remove(path, removeError);  // keep at most one large image on disk
  Measured measured{mib, *child, false};
  measured.matches = child->sessionResult == 1 && child->complete == 1 &&
                     child->length == file->length && child->digest == file->digest;

  // Per block of the file: a session that stopped early still divides by the full count.
  const std::uint64_t fileBlocks = (file->length + kBlockSize - 1) / kBlockSize;
  const double blocks = static_cast<double>(fileBlocks);
  std::printf("image %" PRIu64 " MiB: %" PRIu64
              " blocks, %u run(s): %.3f us per block best, %.3f median"
              " (%.3f s best, %.0f MiB/s)\n",
              mib, fileBlocks, runs, child->bestSeconds * 1e6 / blocks,
              child->medianSeconds * 1e6 / blocks, child->bestSeconds,
              static_cast<double>(mib) / child->bestSeconds);
  std::printf("  of which the simulated device's digest: %.3f us per block\n",
              DeviceDigestMicrosPerBlock(fileBlocks));
  std::printf("  session result %d; device received %" PRIu64 " bytes, digest %s, %s\n",
              child->sessionResult, child->length, HexDigest(child->digest).c_str(),
              child->complete == 1 ? "closed" : "NOT closed");
  std::printf("  file %" PRIu64 " bytes, digest %s: %s\n", file->length,
              HexDigest(file->digest).c_str(), measured.matches ? "match" : "MISMATCH");
  std::printf("  peak RSS (VmHWM) of its process: %" PRIu64 " KiB\n", child->peakKiB);
  return measured;
}

int RunParent(std::uint64_t largeMiB, std::uint64_t smallMiB, unsigned runs, bool keepImages) {
  std::printf(
      "bench_host_cost: RunDownloadSession to a zero-latency simulated device\n"
      "  (SystemClock, no trace, images not kept, log discarded; the image file is in\n"
      "  the page cache, so this is the host's CPU cost, not the disk's)\n");
  if (keepImages) std::printf("  control run: the simulated device keeps every image whole\n");
  ScratchDir scratch;
  const std::optional<Measured> large = MeasureImage(scratch, largeMiB, runs, keepImages);
  const std::optional<Measured> small = MeasureImage(scratch, smallMiB, runs, keepImages);
  if (!large || !small) return 1;

  const auto difference = static_cast<std::int64_t>(large->child.peakKiB) -
                          static_cast<std::int64_t>(small->child.peakKiB);
  std::printf("peak RSS, each in a fresh process: %" PRIu64 " MiB image %" PRIu64 " KiB, %" PRIu64
              " MiB image %" PRIu64 " KiB, difference %" PRId64 " KiB\n",
              smallMiB, small->child.peakKiB, largeMiB, large->child.peakKiB, difference);
  std::printf(
      "target (difference within %" PRIu64 " KiB): %s\n", kRssTargetKiB,
      std::llabs(difference) <= static_cast<std::int64_t>(kRssTargetKiB) ? "met" : "NOT met");
  // A wrong image is a broken transfer, not a slow one: that one fails the run.
  return large->matches && small->matches ? 0 : 1;
}

}  // namespace
}  // namespace zentho::bench

int main(int argc, char** argv) {
  CLI::App app{"bench_host_cost: host time per block and peak memory of a download"};
  std::uint64_t largeMiB = 64;
  std::uint64_t smallMiB = 1;
  unsigned runs = 5;
  std::string childPath;
  bool keepImages = false;
  // Block numbers are 16 bits: 64 MiB is the largest image one session can carry.
  app.add_option("--image-mib", largeMiB, "Size of the large image, MiB")->check(CLI::Range(1, 64));
  app.add_option("--small-mib", smallMiB, "Size of the small image, MiB")->check(CLI::Range(1, 64));
  app.add_option("--runs", runs, "Sessions per image (best and median are printed)")
      ->check(CLI::Range(1, 100));
  app.add_option("--child", childPath, "Measure this file and print one line (used internally)")
      ->group("");
  app.add_flag("--keep-images", keepImages,
               "Control run: the simulated device keeps images whole, so the peak-RSS target"
               " should fail");
  CLI11_PARSE(app, argc, argv);

  if (!childPath.empty()) return zentho::bench::RunChild(childPath, runs, keepImages);
  return zentho::bench::RunParent(largeMiB, smallMiB, runs, keepImages);
}
