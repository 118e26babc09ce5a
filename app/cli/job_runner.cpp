// One session per device on its own thread; their events are funnelled into one observer.
#include "app/cli/job_runner.h"

#include <mutex>
#include <thread>

#include "transfer/download_job.h"
#include "transfer/session_sink.h"

namespace zentho::cli {
namespace {

// The observer behind one lock, so that outputs never see two devices at once.
class SerialObserver {
 public:
  explicit SerialObserver(JobObserver& observer) : observer_(observer) {}
  template <typename Call>
  void operator()(Call call) {
    std::lock_guard lock(mutex_);
    call(observer_);
  }

 private:
  std::mutex mutex_;
  JobObserver& observer_;
};

// The session's outputs for one device.
class DeviceSink final : public SessionSink {
 public:
  DeviceSink(SerialObserver& observer, std::size_t device) : observer_(observer), device_(device) {}

  void appendLog(std::string_view text) override {
    observer_([&](JobObserver& o) { o.logged(device_, text); });
  }
  void setProgressRange(std::uint32_t, std::uint32_t high) override { total = high; }
  void setProgressStep(std::uint32_t) override {}
  void setProgressPosition(std::uint32_t position) override {
    bytes = position;
    observer_([&](JobObserver& o) { o.progressed(device_, position, total); });
  }
  void debugTrace(std::string_view line) override {
    observer_([&](JobObserver& o) { o.debugTraced(device_, line); });
  }
  void exchangeFailed(std::string_view reason) override {
    const std::string line = std::string(reason) + "\n";
    observer_([&](JobObserver& o) {
      o.exchangeFailed(device_, reason);
      o.debugTraced(device_, line);
    });
  }

  std::uint32_t bytes = 0;
  std::uint32_t total = 0;

 private:
  SerialObserver& observer_;
  std::size_t device_;
};

DeviceResult RunOne(const DownloadRequest& request, const Target& target, std::size_t device,
                    SerialObserver& observer, std::stop_token stop) {
  Clock& clock = *target.clock;
  const Clock::time_point start = clock.now();
  observer([&](JobObserver& o) { o.started(device, target); });

  DeviceSink sink(observer, device);
  ConfigImage configImage{};
  SessionContext context{*target.channel, configImage, sink, clock, stop};
  JobResult job = RunDownloadJob(request, context, {OnStop::Fail, {}});
  const bool ok = job.verdict == JobVerdict::Passed;

  DeviceResult result{target.path, target.name, ok,
                      sink.bytes, sink.total, clock.now() - start, std::move(job.lastLine)};
  observer([&](JobObserver& o) { o.finished(device, result); });
  return result;
}

}  // namespace

std::vector<DeviceResult> RunJobs(const DownloadRequest& request, const std::vector<Target>& targets,
                                  JobObserver& observer, std::stop_token stop) {
  SerialObserver serial(observer);
  std::vector<DeviceResult> results(targets.size());
  if (targets.size() == 1) {
    results[0] = RunOne(request, targets[0], 0, serial, stop);
  } else {
    std::vector<std::jthread> workers;
    workers.reserve(targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i) {
      workers.emplace_back([&, i] { results[i] = RunOne(request, targets[i], i, serial, stop); });
    }
    workers.clear();  // joins them
  }
  serial([&](JobObserver& o) { o.summarized(results); });
  return results;
}

}  // namespace zentho::cli
