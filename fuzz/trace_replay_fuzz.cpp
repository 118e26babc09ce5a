// Fuzz target: any bytes given as a report trace. Reading gives entries or an error
// naming the line; every entry read writes back to a line that reads the same; a trace
// that reads is replayed through a whole session, which ends.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "device/simulated/replay_device.h"
#include "transfer/download_session.h"

namespace {

const std::string& ImagePath() {
  static const std::string path = [] {
    const auto file = std::filesystem::temp_directory_path() /
                      ("zentho-fuzz-trace-" + std::to_string(getpid()) + ".bin");
    std::ofstream(file, std::ios::binary) << std::string(2100, '\x5A');
    return file.string();
  }();
  return path;
}

bool Same(const zentho::sim::TraceEntry& a, const zentho::sim::TraceEntry& b) {
  return a.kind == b.kind && a.ok == b.ok && a.length == b.length && a.bytes == b.bytes &&
         std::chrono::duration_cast<std::chrono::microseconds>(a.at) ==
             std::chrono::duration_cast<std::chrono::microseconds>(b.at);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zentho;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  std::string error;
  std::optional<std::vector<sim::TraceEntry>> entries = sim::ReadTrace(in, error);
  if (!entries) {
    if (error.empty()) std::abort();
    return 0;
  }
  for (const sim::TraceEntry& entry : *entries) {
    std::string line = sim::FormatTraceLine(entry);
    line.pop_back();  // its LF
    std::string lineError;
    const std::optional<sim::TraceEntry> back = sim::ParseTraceLine(line, lineError);
    if (!back || !Same(*back, entry)) std::abort();
  }
  ManualClock clock;
  sim::ReplayDevice replay(std::move(*entries), clock);
  DiscardSink sink;
  ConfigImage configImage{};
  DownloadRequest request{DownloadMode::KvmSystem, ImagePath(), {}};
  request.settings.ackTimeout = std::chrono::milliseconds(50);
  SessionContext context{replay, configImage, sink, clock, {}};
  RunDownloadSession(request, context);
  return 0;
}
