// Fakes of the window's platform services and a harness that wires CIapDlg to them, to
// the recording view and to a simulated bus with one simulated device.
#pragma once

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/window/iap_dlg.h"
#include "device/simulated/simulated_bus.h"
#include "device/simulated/simulated_device.h"
#include "recording_trace.h"
#include "recording_view.h"
#include "transfer/clock.h"

namespace zentho::window::test {

// The test's own thread plays the window's thread: requests from other threads wait in
// a queue until the test pumps it, as a toolkit's event loop would run them.
class QueuedWindowThread final : public WindowThread {
 public:
  void invoke(const std::function<void()>& request) override;
  void post(std::function<void()> event) override;
  // Runs queued work until `done` holds, waiting for more when the queue is empty.
  void pumpUntil(const std::function<bool()>& done);
  // Runs what is queued now, without waiting.
  void pumpPending();

 private:
  bool runOne(std::unique_lock<std::mutex>& lock);

  const std::thread::id windowThread_ = std::this_thread::get_id();
  std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<std::function<void()>> queue_;
};

struct Tone {
  unsigned frequencyHz;
  unsigned durationMs;
  friend bool operator==(const Tone&, const Tone&) = default;
};

class RecordingTones final : public TonePlayer {
 public:
  void beep(unsigned frequencyHz, unsigned durationMs) override;
  std::vector<Tone> played() const;
  // Runs inside beep, on the playing thread.
  std::function<void()> onBeep;

 private:
  mutable std::mutex mutex_;
  std::vector<Tone> played_;
};

class FakeLocalTime final : public LocalTimeSource {
 public:
  LocalTime now() override { return time; }
  void setSecond(std::uint16_t second) { time.second = second; }
  LocalTime time{2026, 12, 2, 8, 22, 30, 0, 0};
};

class FailingWorkerThreads final : public WorkerThreads {
 public:
  std::optional<std::jthread> start(std::function<void(std::stop_token)>) override {
    return std::nullopt;
  }
};

// One window over the recording view, with the simulated device (default IDs) plugged
// in, a manual clock for the session and a settings file in a fresh folder.
struct WindowHarness {
  // `platform`: what the window searches instead of `bus` (a wrapper around it);
  // `outputs`: the files the window writes besides setup.dat (its --trace).
  explicit WindowHarness(bool plugDevice = true, WorkerThreads* workers = nullptr,
                         device::HidPlatform* platform = nullptr,
                         std::vector<NamedFile> outputs = {});
  ~WindowHarness();

  // Presses Connect, checks that it connected and empties the record of calls.
  void connect();
  // Writes `content` to a file in the harness folder and returns its path.
  std::string writeFile(const std::string& name, const std::string& content);
  // Presses Download and pumps until the job has ended.
  void runJob();

  std::filesystem::path folder;
  ManualClock clock;
  sim::SimulatedBus bus;
  std::shared_ptr<sim::SimulatedDevice> device;
  std::string devicePath;
  QueuedWindowThread windowThread;
  RecordingTones tones;
  RecordingTrace trace;
  FakeLocalTime localTime;
  WorkerThreads systemWorkers;
  RecordingView view;
  // What the window's channel tap does; empty: no tap.
  ChannelTap channelTap;
  std::unique_ptr<CIapDlg> dlg;
};

// A firmware image of `length` bytes (a counting pattern).
std::string FirmwareBytes(std::size_t length);

}  // namespace zentho::window::test
