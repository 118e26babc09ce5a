// bench_soak: 1,000 simulated downloads in a row in one process, through the window's
// logic (Disconnect, Connect, Download on a worker thread, each time) and through the
// command line (`download --simulate --log --trace`). Prints resident memory and open
// descriptors after 10, 100 and 1,000 downloads: neither may grow with the count.
#include <CLI/CLI.hpp>

#include <dirent.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/cli/cli_main.h"
#include "app/window/control_ids.h"
#include "bench/bench_support.h"
#include "transfer/clock.h"
#include "window_fakes.h"

namespace zentho::bench {
namespace {

std::size_t OpenDescriptors() {
  std::size_t count = 0;
  if (DIR* folder = opendir("/proc/self/fd")) {
    while (readdir(folder) != nullptr) ++count;
    closedir(folder);
  }
  return count - 3;  // ".", ".." and the folder's own descriptor
}

std::uint64_t ResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stoull(line.substr(6));
  }
  return 0;
}

void Report(const char* path, unsigned done) {
  std::printf("%-7s after %4u downloads: resident %6llu KiB, %2zu descriptors open\n", path, done,
              static_cast<unsigned long long>(ResidentKiB()), OpenDescriptors());
}

bool Checkpoint(unsigned done) { return done == 10 || done == 100 || done == 1000 || done == 10000; }

unsigned SoakWindow(unsigned count, const std::string& image) {
  window::test::WindowHarness h(false);
  // The device keeps no trace and no image, so that only the window's memory is measured.
  sim::SimulatedDeviceOptions options;
  options.recordTrace = false;
  options.keepImages = false;
  h.device = std::make_shared<sim::SimulatedDevice>(options, h.clock);
  h.devicePath = h.bus.plug(h.device);
  h.dlg->OnInitDialog();
  h.dlg->FilePath = image;
  unsigned passed = 0;
  for (unsigned done = 1; done <= count; ++done) {
    if (h.dlg->Connected) h.dlg->OnConnect();  // Disconnect
    h.dlg->OnConnect();
    h.dlg->OnDownload();
    h.windowThread.pumpUntil([&] { return !h.dlg->jobRunning(); });
    if (h.view.result == window::ResultState::Pass) ++passed;
    // The fakes' own records, not the window's state.
    h.view.calls.clear();
    h.trace.clear();
    if (Checkpoint(done)) Report("window", done);
  }
  return passed;
}

unsigned SoakCli(unsigned count, const std::string& image, const std::filesystem::path& folder) {
  ManualClock clock;
  cli::Environment environment = cli::SystemEnvironment(clock);
  std::FILE* discard = std::fopen("/dev/null", "w");
  environment.out = discard;
  environment.err = discard;
  environment.errIsTerminal = false;
  const std::string log = (folder / "soak.log").string();
  const std::string trace = (folder / "soak.trace").string();
  const char* argv[] = {"zentho-iap", "download", "--simulate", "--mode", "kvm", image.c_str(),
                        "--log", log.c_str(), "--trace", trace.c_str()};
  unsigned passed = 0;
  for (unsigned done = 1; done <= count; ++done) {
    if (cli::RunCli(static_cast<int>(std::size(argv)), argv, environment) == 0) ++passed;
    if (Checkpoint(done)) Report("cli", done);
  }
  std::fclose(discard);
  return passed;
}

}  // namespace
}  // namespace zentho::bench

int main(int argc, char** argv) {
  using namespace zentho::bench;
  unsigned count = 1000;
  unsigned imageKiB = 16;
  CLI::App app{"1,000 simulated downloads in one process: memory and descriptors"};
  app.add_option("--count", count, "Downloads on each path")->check(CLI::Range(1U, 100000U));
  app.add_option("--kib", imageKiB, "Image size in KiB")->check(CLI::Range(1U, 65536U));
  CLI11_PARSE(app, argc, argv);

  ScratchDir scratch;
  const auto image = scratch.path() / "image.bin";
  if (!WriteImageFile(image, std::uint64_t{imageKiB} * 1024, 11)) {
    std::perror("bench_soak: image");
    return 2;
  }
  std::printf("image %u KiB, simulated device on a manual clock, %u downloads per path\n", imageKiB, count);
  Report("start", 0);
  const unsigned windowPassed = SoakWindow(count, image.string());
  const unsigned cliPassed = SoakCli(count, image.string(), scratch.path());
  std::printf("passed: window %u of %u, cli %u of %u\n", windowPassed, count, cliPassed, count);
  return windowPassed == count && cliPassed == count ? 0 : 1;
}
