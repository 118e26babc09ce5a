// bench_cli_all: `zentho-iap download --all` on N simulated devices under the bus timing
// model, against one device alone. The devices' time overlaps, so the ratio of wall
// times should stay near 1 however many devices there are; the host's CPU time shows
// what each extra device really costs.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "app/cli/cli_main.h"
#include "app/cli/simulation.h"
#include "bench/bench_support.h"
#include "device/simulated/simulated_platform.h"
#include "transfer/clock.h"

namespace zentho::bench {
namespace {

struct Run {
  int exitCode = -1;
  double wallSeconds = 0;
  double cpuSeconds = 0;
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

Run DownloadToAll(unsigned devices, const std::string& image, std::FILE* discard) {
  SystemClock clock;
  cli::Environment environment = cli::SystemEnvironment(clock);
  environment.out = discard;
  environment.err = discard;
  environment.errIsTerminal = false;
  const std::string simulate = "--simulate=" + std::to_string(devices);
  const char* argv[] = {"zentho-iap", "download", simulate.c_str(), "--all", "--mode", "kvm",
                        image.c_str(), "--quiet"};
  const double cpuBefore = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  Run run;
  run.exitCode = cli::RunCli(static_cast<int>(std::size(argv)), argv, environment);
  run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpuSeconds = CpuSeconds() - cpuBefore;
  return run;
}

Run Median(std::vector<Run> runs) {
  std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.wallSeconds < b.wallSeconds; });
  return runs[runs.size() / 2];
}

}  // namespace
}  // namespace zentho::bench

int main(int argc, char** argv) {
  using namespace zentho::bench;
  unsigned devices = 8;
  unsigned imageKiB = 64;
  unsigned runs = 3;
  CLI::App app{"zentho-iap download --all on simulated devices: wall time against one device"};
  app.add_option("--devices", devices, "Devices for the --all run")->check(CLI::Range(2U, 64U));
  app.add_option("--kib", imageKiB, "Image size in KiB")->check(CLI::Range(1U, 65536U));
  app.add_option("--runs", runs, "Runs of each kind; the median is shown")->check(CLI::Range(1U, 99U));
  CLI11_PARSE(app, argc, argv);

  ScratchDir scratch;
  const auto image = scratch.path() / "image.bin";
  if (!WriteImageFile(image, std::uint64_t{imageKiB} * 1024, 7)) {
    std::perror("bench_cli_all: image");
    return 2;
  }
  std::FILE* discard = std::fopen("/dev/null", "w");
  const zentho::sim::TimingModel timing = zentho::sim::FullSpeedTiming();
  std::printf("image %u KiB, timing model %lld us per packet, %lld us flash write per block, "
              "median of %u runs\n",
              imageKiB, static_cast<long long>(timing.perPacket.count()),
              static_cast<long long>(timing.flashWritePerBlock.count()), runs);

  std::vector<Run> alone;
  std::vector<Run> together;
  for (unsigned i = 0; i < runs; ++i) {
    alone.push_back(DownloadToAll(1, image.string(), discard));
    together.push_back(DownloadToAll(devices, image.string(), discard));
  }
  const Run one = Median(alone);
  const Run all = Median(together);
  std::printf("1 device : exit %d, wall %.3f s, host CPU %.3f s\n", one.exitCode, one.wallSeconds, one.cpuSeconds);
  std::printf("%u devices: exit %d, wall %.3f s, host CPU %.3f s\n", devices, all.exitCode, all.wallSeconds,
              all.cpuSeconds);
  std::printf("wall-time ratio %u devices / 1 device: %.3f (target 1.2 or below)\n", devices,
              all.wallSeconds / one.wallSeconds);
  std::fclose(discard);
  return one.exitCode == 0 && all.exitCode == 0 ? 0 : 1;
}
