// Drawing of the progress bar on stderr.
#include "app/cli/progress_bar.h"

#include <algorithm>
#include <chrono>

namespace zentho::cli {
namespace {

constexpr std::size_t kBarWidth = 24;
// Often enough to look alive, seldom enough not to cost the transfer anything.
constexpr std::chrono::milliseconds kRedrawInterval{100};

std::string Duration(double seconds) {
  const auto whole = static_cast<long long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  return text;
}

}  // namespace

ProgressBar::ProgressBar(std::FILE* terminal, Clock& clock) : terminal_(terminal), clock_(clock) {}

std::string ProgressBar::Render(std::uint64_t done, std::uint64_t total, Clock::duration elapsed,
                                std::size_t running, std::size_t devices) {
  const double fraction = total == 0 ? 0.0 : static_cast<double>(done) / static_cast<double>(total);
  const auto filled = static_cast<std::size_t>(fraction * kBarWidth);
  const double seconds = std::chrono::duration<double>(elapsed).count();
  const double rate = seconds > 0 ? static_cast<double>(done) / 1024.0 / seconds : 0.0;
  std::string text(kBarWidth + 2, '.');
  text.front() = '[';
  text.replace(1, filled, filled, '#');
  text.back() = ']';
  char figures[128];
  std::snprintf(figures, sizeof figures, " %3d%%  %.1f/%.1f KiB  %.1f KiB/s",
                static_cast<int>(fraction * 100), static_cast<double>(done) / 1024.0,
                static_cast<double>(total) / 1024.0, rate);
  text += figures;
  if (rate > 0 && done < total) {
    text += "  ETA " + Duration(static_cast<double>(total - done) / 1024.0 / rate);
  } else if (running == 0) {
    text += "  in " + Duration(seconds);
  }
  if (devices > 1) {
    text += "  " + std::to_string(running) + " of " + std::to_string(devices) + " running";
  }
  return text;
}

void ProgressBar::started(std::size_t device, const Target&) {
  if (!started_) {
    started_ = true;
    start_ = clock_.now();
  }
  devices_[device] = {};
}

void ProgressBar::progressed(std::size_t device, std::uint32_t bytes, std::uint32_t total) {
  devices_[device].bytes = bytes;
  devices_[device].total = total;
  redrawAtMostEvery(kRedrawInterval);
}

void ProgressBar::finished(std::size_t device, const DeviceResult&) {
  devices_[device].running = false;
  redrawAtMostEvery(kRedrawInterval);
}

void ProgressBar::summarized(const std::vector<DeviceResult>&) {
  draw();
  if (!shown_) return;
  std::fputc('\n', terminal_);
  std::fflush(terminal_);
  shown_ = false;
}

void ProgressBar::redrawAtMostEvery(Clock::duration interval) {
  if (shown_ && clock_.now() - lastDraw_ < interval) return;
  draw();
}

void ProgressBar::erase() {
  if (!shown_) return;
  std::fputs("\r\033[K", terminal_);
  std::fflush(terminal_);
  shown_ = false;
}

void ProgressBar::draw() {
  if (!started_) return;
  std::uint64_t done = 0;
  std::uint64_t total = 0;
  std::size_t running = 0;
  for (const auto& [index, device] : devices_) {
    done += device.bytes;
    total += device.total;
    running += device.running ? 1 : 0;
  }
  if (total == 0) return;  // nothing measured yet: a bar of nothing says nothing
  lastDraw_ = clock_.now();
  const std::string text = Render(done, total, lastDraw_ - start_, running, devices_.size());
  std::fprintf(terminal_, "\r%s\033[K", text.c_str());
  std::fflush(terminal_);
  shown_ = true;
}

}  // namespace zentho::cli
