// Fuzz target: a device whose every answer comes from the input. The session must end
// within its bounds, never read or write out of bounds, and return 1 only when every
// block was acknowledged in order and the closing report went out, the device then
// holding exactly the file's bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "transfer/download_session.h"

namespace {

constexpr std::size_t kImageLength = 2500;

std::vector<std::uint8_t> ImageBytes() {
  std::vector<std::uint8_t> bytes(kImageLength);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 1024);
  return bytes;
}

// Plays the device from the input bytes, and keeps what a device would have stored: a
// delivered block counts once the answer after it acknowledges it.
class FuzzChannel final : public zentho::ReportChannel {
 public:
  FuzzChannel(const std::uint8_t* data, std::size_t size, zentho::ManualClock& clock)
      : data_(data), size_(size), clock_(clock) {}

  bool setOutputReport(std::span<const std::uint8_t> report) override {
    if (report.size() != zentho::kCommandReportLength) std::abort();
    ++calls_;
    clock_.advance(std::chrono::milliseconds(17));
    const bool ok = take() % 8 != 0;
    const std::uint16_t block = static_cast<std::uint16_t>(report[4] | (report[5] << 8));
    const std::size_t length = report[2] | (report[3] << 8);
    if (report[1] == 1 && length > zentho::kBlockSize) std::abort();
    // The closing report counts when it is sent: the session does not look at its delivery.
    closed_ = report[1] == 1 && length == 0 && block == acceptedBlocks_;
    if (ok && report[1] == 1) {
      pendingBlock_ = block;
      pendingData_.assign(report.begin() + 6, report.begin() + 6 + static_cast<std::ptrdiff_t>(length));
      pending_ = true;
    }
    return ok;
  }
  bool getInputReport(std::span<std::uint8_t> buffer) override {
    ++calls_;
    clock_.advance(std::chrono::milliseconds(1));
    if (take() % 8 == 0) return false;
    for (std::size_t i = 1; i < buffer.size() && i < 8; ++i) buffer[i] = take();
    const std::uint16_t next = static_cast<std::uint16_t>(buffer[4] | (buffer[5] << 8));
    if (pending_ && buffer[3] == 4 && next == static_cast<std::uint16_t>(pendingBlock_ + 1) &&
        pendingBlock_ == acceptedBlocks_ && !pendingData_.empty()) {
      held_.insert(held_.end(), pendingData_.begin(), pendingData_.end());
      ++acceptedBlocks_;
      pending_ = false;
    }
    return true;
  }
  std::optional<std::size_t> inputReportLength() override {
    const std::uint8_t choice = take();
    if (choice == 0) return std::nullopt;
    if (choice < 128) return 8;
    if (choice < 192) return std::size_t{choice};
    // Any 64-bit length at all: the session must refuse the absurd ones.
    std::uint64_t length = 0;
    for (int i = 0; i < 8; ++i) length = (length << 8) | take();
    return static_cast<std::size_t>(length);
  }

  const std::vector<std::uint8_t>& held() const { return held_; }
  bool closed() const { return closed_; }
  std::size_t calls() const { return calls_; }

 private:
  std::uint8_t take() { return position_ < size_ ? data_[position_++] : 0; }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
  zentho::ManualClock& clock_;
  std::size_t calls_ = 0;
  bool pending_ = false;
  std::uint16_t pendingBlock_ = 0;
  std::vector<std::uint8_t> pendingData_;
  std::uint16_t acceptedBlocks_ = 0;
  std::vector<std::uint8_t> held_;
  bool closed_ = false;
};

const std::string& ImagePath() {
  static const std::string path = [] {
    const auto file = std::filesystem::temp_directory_path() /
                      ("zentho-fuzz-" + std::to_string(getpid()) + ".bin");
    const std::vector<std::uint8_t> bytes = ImageBytes();
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file.string();
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<std::uint8_t> image = ImageBytes();
  zentho::ManualClock clock;
  const auto started = clock.now();
  FuzzChannel channel(data, size, clock);
  zentho::DiscardSink sink;
  zentho::ConfigImage configImage{};
  zentho::DownloadRequest request{static_cast<zentho::DownloadMode>(size > 0 ? data[0] % 2 : 0), ImagePath(), {}};
  request.settings.ackTimeout = std::chrono::milliseconds(50);
  zentho::SessionContext context{channel, configImage, sink, clock, {}};
  const int result = zentho::RunDownloadSession(request, context);
  // Bounds: 11 attempts with their pauses, then 3 blocks with 4 offers and the wait.
  if (clock.now() - started > std::chrono::minutes(1) || channel.calls() > 100000) std::abort();
  if (result == 1 && (channel.held() != image || !channel.closed())) std::abort();
  return 0;
}
