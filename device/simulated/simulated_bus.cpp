// The simulated HID bus.
#include "device/simulated/simulated_bus.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "device/arrival_queue.h"
#include "device/removal_flag.h"

namespace zentho::sim {

struct SimulatedBus::State {
  struct Interface {
    std::string path;
    std::shared_ptr<SimulatedDevice> device;
    BusInterfaceOptions options;
    bool present = true;
    std::vector<std::weak_ptr<device::RemovalFlag>> watches;
  };

  mutable std::mutex mutex;
  std::vector<Interface> interfaces;
  unsigned nextNumber = 0;
  std::optional<std::size_t> detailFailureAt;
  std::optional<std::size_t> allocationFailureAt;
  std::function<void(const std::string&)> exchangeHook;
  BusCounters counters;
  std::vector<std::string> openAttempts;
  bool arrivalEvents = true;
  std::vector<std::weak_ptr<device::ArrivalQueue>> arrivalQueues;

  // The live arrival watches; called with the mutex held, announced after it is let go.
  std::vector<std::shared_ptr<device::ArrivalQueue>> liveQueues() {
    std::vector<std::shared_ptr<device::ArrivalQueue>> live;
    std::erase_if(arrivalQueues, [](const auto& weak) { return weak.expired(); });
    for (const auto& weak : arrivalQueues) {
      if (auto queue = weak.lock()) live.push_back(std::move(queue));
    }
    return live;
  }

  Interface* find(const std::string& path) {
    auto it = std::find_if(interfaces.begin(), interfaces.end(),
                           [&](const Interface& i) { return i.path == path && i.present; });
    return it == interfaces.end() ? nullptr : &*it;
  }

  void runHook(const std::string& path) {
    std::function<void(const std::string&)> hook;
    {
      std::lock_guard lock(mutex);
      hook = exchangeHook;
    }
    if (hook) hook(path);
  }
};

namespace {

class SimulatedList final : public device::InterfaceList {
 public:
  SimulatedList(std::shared_ptr<SimulatedBus::State> state,
                std::vector<device::InterfaceSlot> slots)
      : state_(std::move(state)), slots_(std::move(slots)) {}
  ~SimulatedList() override {
    std::lock_guard lock(state_->mutex);
    ++state_->counters.listsReleased;
  }
  std::optional<device::InterfaceSlot> at(std::size_t index) override {
    if (index >= slots_.size()) return std::nullopt;
    return slots_[index];
  }

 private:
  std::shared_ptr<SimulatedBus::State> state_;
  std::vector<device::InterfaceSlot> slots_;
};

class SimulatedHandle final : public device::HidDevice {
 public:
  SimulatedHandle(std::shared_ptr<SimulatedBus::State> state, std::string path,
                  std::shared_ptr<SimulatedDevice> device, std::optional<std::string> idsError,
                  std::optional<std::string> notForDownload)
      : state_(std::move(state)), path_(std::move(path)), device_(std::move(device)),
        idsError_(std::move(idsError)), notForDownload_(std::move(notForDownload)) {}
  ~SimulatedHandle() override {
    std::lock_guard lock(state_->mutex);
    ++state_->counters.closes;
  }

  const std::string& path() const override { return path_; }
  std::optional<std::string> unsuitable() override { return notForDownload_; }
  OsResult<device::HidIds> ids() override {
    if (idsError_) return OsError{*idsError_};
    if (device_->removed()) return OsError{"No such device"};
    return device::HidIds{device_->vendorId(), device_->productId()};
  }
  bool setOutputReport(std::span<const std::uint8_t> report) override {
    state_->runHook(path_);
    return device_->setOutputReport(report);
  }
  bool getInputReport(std::span<std::uint8_t> buffer) override {
    state_->runHook(path_);
    return device_->getInputReport(buffer);
  }
  std::optional<std::size_t> inputReportLength() override {
    state_->runHook(path_);
    return device_->inputReportLength();
  }
  std::string failureReason() override { return device_->failureReason(); }

 private:
  std::shared_ptr<SimulatedBus::State> state_;
  std::string path_;
  std::shared_ptr<SimulatedDevice> device_;
  std::optional<std::string> idsError_;
  std::optional<std::string> notForDownload_;
};

class SimulatedArrivals final : public device::ArrivalWatch {
 public:
  explicit SimulatedArrivals(std::shared_ptr<device::ArrivalQueue> queue) : queue_(std::move(queue)) {}
  std::vector<device::InterfaceChange> take() override { return queue_->take(); }
  void setNotify(std::function<void()> notify) override { queue_->setNotify(std::move(notify)); }

 private:
  std::shared_ptr<device::ArrivalQueue> queue_;
};

class SimulatedWatch final : public device::RemovalWatch {
 public:
  explicit SimulatedWatch(std::shared_ptr<device::RemovalFlag> flag) : flag_(std::move(flag)) {}
  bool removed() const override { return flag_->raised(); }
  int descriptor() const override { return -1; }
  void setNotify(std::function<void()> notify) override { flag_->setNotify(std::move(notify)); }

 private:
  std::shared_ptr<device::RemovalFlag> flag_;
};

}  // namespace

SimulatedBus::SimulatedBus() : state_(std::make_shared<State>()) {}
SimulatedBus::~SimulatedBus() = default;

std::string SimulatedBus::plug(std::shared_ptr<SimulatedDevice> device,
                               BusInterfaceOptions options) {
  std::string path;
  std::vector<std::shared_ptr<device::ArrivalQueue>> queues;
  {
    std::lock_guard lock(state_->mutex);
    path = "sim:" + std::to_string(state_->nextNumber++);
    state_->interfaces.push_back({path, std::move(device), std::move(options), true, {}});
    queues = state_->liveQueues();
  }
  for (auto& queue : queues) queue->push({device::InterfaceChange::Kind::Arrived, path});
  return path;
}

void SimulatedBus::unplug(const std::string& path) {
  std::shared_ptr<SimulatedDevice> device;
  std::vector<std::shared_ptr<device::RemovalFlag>> flags;
  std::vector<std::shared_ptr<device::ArrivalQueue>> queues;
  {
    std::lock_guard lock(state_->mutex);
    State::Interface* entry = state_->find(path);
    if (!entry) return;
    entry->present = false;
    device = entry->device;
    for (auto& weak : entry->watches) {
      if (auto flag = weak.lock()) flags.push_back(std::move(flag));
    }
    queues = state_->liveQueues();
  }
  device->remove();
  for (auto& flag : flags) flag->raise();
  for (auto& queue : queues) queue->push({device::InterfaceChange::Kind::Departed, path});
}

void SimulatedBus::setArrivalEvents(bool on) {
  std::lock_guard lock(state_->mutex);
  state_->arrivalEvents = on;
}

std::unique_ptr<device::ArrivalWatch> SimulatedBus::watchArrivals() {
  std::lock_guard lock(state_->mutex);
  if (!state_->arrivalEvents) return nullptr;
  auto queue = std::make_shared<device::ArrivalQueue>();
  state_->arrivalQueues.push_back(queue);
  return std::make_unique<SimulatedArrivals>(std::move(queue));
}

void SimulatedBus::failDetailReadAt(std::size_t index) {
  std::lock_guard lock(state_->mutex);
  state_->detailFailureAt = index;
}

void SimulatedBus::failAllocationAt(std::size_t index) {
  std::lock_guard lock(state_->mutex);
  state_->allocationFailureAt = index;
}

void SimulatedBus::onExchange(std::function<void(const std::string&)> hook) {
  std::lock_guard lock(state_->mutex);
  state_->exchangeHook = std::move(hook);
}

BusCounters SimulatedBus::counters() const {
  std::lock_guard lock(state_->mutex);
  return state_->counters;
}

std::vector<std::string> SimulatedBus::openAttempts() const {
  std::lock_guard lock(state_->mutex);
  return state_->openAttempts;
}

std::unique_ptr<device::InterfaceList> SimulatedBus::listInterfaces() {
  using Status = device::InterfaceSlot::Status;
  std::vector<device::InterfaceSlot> slots;
  std::lock_guard lock(state_->mutex);
  for (const State::Interface& entry : state_->interfaces) {
    if (!entry.present) continue;
    device::InterfaceSlot slot;
    slot.path = entry.path;
    if (entry.options.listsIds) {
      slot.listedIds = device::HidIds{entry.device->vendorId(), entry.device->productId()};
    }
    slot.portPath = entry.options.portPath;
    slot.serialNumber = entry.options.serialNumber;
    slots.push_back(std::move(slot));
  }
  auto fail = [&](std::optional<std::size_t> index, Status status) {
    if (index && *index < slots.size()) slots[*index] = device::InterfaceSlot{status, {}, {}, {}, {}};
  };
  fail(state_->detailFailureAt, Status::DetailReadFailed);
  fail(state_->allocationFailureAt, Status::AllocationFailed);
  ++state_->counters.listsTaken;
  return std::make_unique<SimulatedList>(state_, std::move(slots));
}

device::OpenResult SimulatedBus::open(const std::string& path) {
  std::lock_guard lock(state_->mutex);
  state_->openAttempts.push_back(path);
  State::Interface* entry = state_->find(path);
  if (!entry) return OsError{"No such device"};
  if (!entry->options.openable) return OsError{entry->options.openError};
  ++state_->counters.opens;
  std::optional<std::string> idsError;
  if (unsigned& unreadable = entry->options.idsUnreadableOpens; unreadable > 0) {
    idsError = entry->options.idsError;
    if (unreadable != kEveryOpen) --unreadable;
  }
  return std::unique_ptr<device::HidDevice>(
      std::make_unique<SimulatedHandle>(state_, path, entry->device, std::move(idsError),
                                        entry->options.notForDownload));
}

std::unique_ptr<device::RemovalWatch> SimulatedBus::watchRemoval(device::HidDevice& device) {
  auto flag = std::make_shared<device::RemovalFlag>();
  {
    std::lock_guard lock(state_->mutex);
    State::Interface* entry = state_->find(device.path());
    if (!entry) return nullptr;
    entry->watches.push_back(flag);
    ++state_->counters.watches;
  }
  return std::make_unique<SimulatedWatch>(std::move(flag));
}

}  // namespace zentho::sim
