// The window's fakes and test harness.
#include "window_fakes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <future>

#include <unistd.h>

#include "app/window/control_ids.h"

namespace zentho::window::test {

void QueuedWindowThread::invoke(const std::function<void()>& request) {
  if (std::this_thread::get_id() == windowThread_) {
    request();
    return;
  }
  std::promise<void> done;
  std::future<void> finished = done.get_future();
  {
    std::lock_guard lock(mutex_);
    queue_.push_back([&] {
      request();
      done.set_value();
    });
  }
  queued_.notify_all();
  finished.wait();
}

void QueuedWindowThread::post(std::function<void()> event) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(event));
  }
  queued_.notify_all();
}

bool QueuedWindowThread::runOne(std::unique_lock<std::mutex>& lock) {
  if (queue_.empty()) return false;
  std::function<void()> work = std::move(queue_.front());
  queue_.pop_front();
  lock.unlock();
  work();
  lock.lock();
  return true;
}

void QueuedWindowThread::pumpUntil(const std::function<bool()>& done) {
  std::unique_lock lock(mutex_);
  while (true) {
    lock.unlock();
    const bool finished = done();
    lock.lock();
    if (finished) return;
    queued_.wait(lock, [&] { return !queue_.empty(); });
    runOne(lock);
  }
}

void QueuedWindowThread::pumpPending() {
  std::unique_lock lock(mutex_);
  while (runOne(lock)) {
  }
}

void RecordingTones::beep(unsigned frequencyHz, unsigned durationMs) {
  std::function<void()> hook;
  {
    std::lock_guard lock(mutex_);
    played_.push_back({frequencyHz, durationMs});
    hook = onBeep;
  }
  if (hook) hook();
}

std::vector<Tone> RecordingTones::played() const {
  std::lock_guard lock(mutex_);
  return played_;
}

namespace {

std::filesystem::path FreshFolder() {
  static std::atomic<unsigned> counter{0};
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "harness";
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                 ("zentho-window-" + std::to_string(::getpid()) + "-" +
                                  std::to_string(counter++) + "-" + name);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

}  // namespace

WindowHarness::WindowHarness(bool plugDevice, WorkerThreads* workers,
                             device::HidPlatform* platform, std::vector<NamedFile> outputs)
    : folder(FreshFolder()) {
  sim::SimulatedDeviceOptions options;
  device = std::make_shared<sim::SimulatedDevice>(options, clock);
  if (plugDevice) devicePath = bus.plug(device);
  WindowServices services{windowThread, platform ? *platform : bus, tones,
                          trace,        localTime, clock,
                          workers ? *workers : systemWorkers,
                          folder / "ZenthoIAP" / "setup.dat"};
  services.outputs = std::move(outputs);
  services.channelTap = [this](std::shared_ptr<ReportChannel> channel) {
    return channelTap ? channelTap(std::move(channel)) : channel;
  };
  // The controls as the window template creates them, before OnInitDialog.
  view.controls[kIdcFilePath] = {"", false, false};
  view.controls[kIdcBrowse] = {"Load MCPU binary file", false, false};
  view.controls[kIdcDownload] = {"Download", true, false};
  view.controls[kIdcConnect] = {"Connect", true, false};
  view.controls[kIdcElapsedTime] = {"00:00:00", true, false};
  dlg = std::make_unique<CIapDlg>(services);
  dlg->attachView(&view);
  view.onTextChanged = [this](int id) {
    if (id == kIdcVendorId) dlg->OnChangeVendorId();
    if (id == kIdcProductId) dlg->OnChangeProductId();
  };
}

WindowHarness::~WindowHarness() {
  if (dlg && dlg->jobRunning()) windowThread.pumpUntil([this] { return !dlg->jobRunning(); });
  dlg.reset();
  std::error_code error;
  std::filesystem::remove_all(folder, error);
}

void WindowHarness::connect() {
  dlg->OnConnect();
  ASSERT_TRUE(dlg->Connected);
  view.calls.clear();
}

std::string WindowHarness::writeFile(const std::string& name, const std::string& content) {
  const std::filesystem::path path = folder / name;
  std::ofstream(path, std::ios::binary) << content;
  return path.string();
}

void WindowHarness::runJob() {
  dlg->OnDownload();
  windowThread.pumpUntil([this] { return !dlg->jobRunning(); });
}

std::string FirmwareBytes(std::size_t length) {
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(i * 7 + 3);
  return bytes;
}

}  // namespace zentho::window::test
