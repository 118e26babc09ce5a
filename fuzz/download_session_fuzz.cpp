// Fuzz target: a device whose every answer comes from the input. The session must end
// (no hang), never read or write out of bounds, and return 1 only when the device
// acknowledged every block of the image.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "transfer/download_session.h"

namespace {

class FuzzChannel final : public zentho::ReportChannel {
 public:
  FuzzChannel(const std::uint8_t* data, std::size_t size, zentho::ManualClock& clock)
      : data_(data), size_(size), clock_(clock) {}

  bool setOutputReport(std::span<const std::uint8_t> report) override {
    if (report.size() != zentho::kCommandReportLength) std::abort();
    clock_.advance(std::chrono::milliseconds(17));
    return take() % 8 != 0;
  }
  bool getInputReport(std::span<std::uint8_t> buffer) override {
    clock_.advance(std::chrono::milliseconds(1));
    if (take() % 8 == 0) return false;
    for (std::size_t i = 1; i < buffer.size() && i < 8; ++i) buffer[i] = take();
    return true;
  }
  std::optional<std::size_t> inputReportLength() override {
    const std::uint8_t choice = take();
    if (choice == 0) return std::nullopt;
    return choice < 128 ? 8 : std::size_t{choice};
  }

 private:
  std::uint8_t take() { return position_ < size_ ? data_[position_++] : 0; }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
  zentho::ManualClock& clock_;
};

const std::string& ImagePath() {
  static const std::string path = [] {
    const auto file = std::filesystem::temp_directory_path() /
                      ("zentho-fuzz-" + std::to_string(getpid()) + ".bin");
    std::ofstream(file, std::ios::binary) << std::string(2500, '\x5A');
    return file.string();
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zentho::ManualClock clock;
  FuzzChannel channel(data, size, clock);
  zentho::DiscardSink sink;
  zentho::ConfigImage configImage{};
  zentho::DownloadRequest request{size > 0 ? data[0] % 2 : 0, ImagePath(), {}};
  request.settings.ackTimeout = std::chrono::milliseconds(50);
  zentho::SessionContext context{channel, configImage, sink, clock, {}};
  zentho::RunDownloadSession(request, context);
  return 0;
}
