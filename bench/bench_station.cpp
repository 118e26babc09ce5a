// bench_station: the production station with 128 simulated boards on the bus timing
// model plugged in together, against one board alone (the wall time should stay near
// one board's), and the station's own CPU while it waits for boards.
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include <sys/resource.h>

#include "app/station/station.h"
#include "bench/bench_support.h"
#include "device/simulated/simulated_bus.h"
#include "device/simulated/simulated_platform.h"
#include "device/system_hid_platform.h"
#include "transfer/clock.h"

namespace zentho::bench {
namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace
}  // namespace zentho::bench

// The process's peak resident set so far (Linux reports KiB).
long PeakResidentKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

namespace zentho::bench {
namespace {

// Boards plugged in together before the station starts; it ends by itself once every
// one has passed.
double FlashTogether(unsigned boards, const std::string& image, unsigned& passed) {
  SystemClock clock;
  std::unique_ptr<device::HidPlatform> bus = sim::MakeSimulatedPlatform(boards, clock);
  cli::StationSettings settings;
  settings.file = image;
  settings.limit = boards;
  const OsResult<cli::StationImage> digest = cli::HashStationImage(settings.file, settings.downloadMode);
  if (!digest) return -1;
  cli::StationEvents quiet;
  cli::StationIo io{*bus, clock, [] { return std::chrono::system_clock::now(); }, quiet, {}, {}, {}};
  const auto start = std::chrono::steady_clock::now();
  passed = cli::RunStation(settings, digest.value(), io, {}, {}).tally.passed;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The share of one core the station uses over `seconds` with no board to flash.
double IdleCpuPercent(device::HidPlatform& platform, const std::string& image, double seconds) {
  SystemClock clock;
  cli::StationSettings settings;
  settings.file = image;
  const OsResult<cli::StationImage> digest = cli::HashStationImage(settings.file, settings.downloadMode);
  if (!digest) return -1;
  cli::StationEvents quiet;
  cli::StationIo io{platform, clock, [] { return std::chrono::system_clock::now(); }, quiet, {}, {}, {}};
  std::stop_source drain;
  std::jthread station([&] { cli::RunStation(settings, digest.value(), io, drain.get_token(), {}); });
  std::this_thread::sleep_for(std::chrono::milliseconds{300});  // past the start
  const double cpuBefore = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const double cpu = CpuSeconds() - cpuBefore;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  drain.request_stop();
  return 100.0 * cpu / wall;
}

}  // namespace
}  // namespace zentho::bench

int main(int argc, char** argv) {
  using namespace zentho;
  CLI::App app{"The station: 128 boards at once against one, its memory per board and its CPU while waiting"};
  unsigned boards = 128;
  unsigned imageKib = 32;
  double idleSeconds = 5;
  app.add_option("--boards", boards, "Boards plugged in together")->check(CLI::Range(1U, 1024U));
  app.add_option("--image-kib", imageKib, "Image size in KiB")->check(CLI::Range(1U, 4096U));
  app.add_option("--idle-seconds", idleSeconds, "How long to measure the waiting station");
  CLI11_PARSE(app, argc, argv);

  bench::ScratchDir scratch;
  const std::string image = (scratch.path() / "image.bin").string();
  if (!bench::WriteImageFile(image, std::uint64_t{imageKib} * 1024, 7)) return 1;

  unsigned passedOne = 0;
  unsigned passedMany = 0;
  const double one = bench::FlashTogether(1, image, passedOne);
  const long rssBefore = PeakResidentKib();
  const double many = bench::FlashTogether(boards, image, passedMany);
  const long rssGrowth = PeakResidentKib() - rssBefore;
  std::printf("bench_station: %u KiB image, 1 ms per USB packet\n", imageKib);
  std::printf("  1 board:   %.3f s wall, %u passed\n", one, passedOne);
  std::printf("  %u boards: %.3f s wall, %u passed\n", boards, many, passedMany);
  std::printf("  ratio:     %.3f (at most 1.1 wanted)\n", many / one);
  std::printf("  resident memory: peak grew %ld KiB for %u boards, %.1f KiB per board\n", rssGrowth, boards,
              static_cast<double>(rssGrowth) / boards);

  sim::SimulatedBus bus;
  std::printf("  waiting, simulated bus (events):        %.3f %% of one core over %.0f s\n",
              bench::IdleCpuPercent(bus, image, idleSeconds), idleSeconds);
  std::unique_ptr<device::HidPlatform> system = device::MakeSystemHidPlatform();
  std::printf("  waiting, system HID platform (udev):    %.3f %% of one core over %.0f s\n",
              bench::IdleCpuPercent(*system, image, idleSeconds), idleSeconds);
  sim::SimulatedBus quietBus;
  quietBus.setArrivalEvents(false);
  std::printf("  waiting, no events (listed every 200 ms): %.3f %% of one core over %.0f s\n",
              bench::IdleCpuPercent(quietBus, image, idleSeconds), idleSeconds);
  return passedOne == 1 && passedMany == boards ? 0 : 1;
}
