// The shared device link: exchanges counted in flight, deferred close on release.
#include "device/device_link.h"

#include <utility>

#include "device/link_messages.h"

namespace zentho::device {

DeviceLink::DeviceLink(std::unique_ptr<HidDevice> device, HidIds ids,
                       std::unique_ptr<RemovalWatch> watch)
    : path_(device->path()), ids_(ids), device_(std::move(device)), watch_(std::move(watch)) {}

DeviceLink::~DeviceLink() { release(); }

template <typename Result, typename Exchange>
Result DeviceLink::run(Result failed, Exchange exchange) {
  HidDevice* device = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (released_ || !device_) return failed;
    ++inFlight_;
    device = device_.get();
  }
  // The handle stays open while inFlight_ counts this call, so no lock is held
  // across the platform call and release() never waits for the device.
  Result result = exchange(*device);
  // Closed on leaving, outside the lock: a release() that came meanwhile left the
  // closing to the last exchange in flight.
  std::unique_ptr<HidDevice> toClose;
  {
    std::lock_guard lock(mutex_);
    --inFlight_;
    if (released_ && inFlight_ == 0) toClose = takeDeviceLocked();
  }
  return result;
}

bool DeviceLink::setOutputReport(std::span<const std::uint8_t> report) {
  return run(false, [&](HidDevice& d) { return d.setOutputReport(report); });
}

bool DeviceLink::getInputReport(std::span<std::uint8_t> buffer) {
  return run(false, [&](HidDevice& d) { return d.getInputReport(buffer); });
}

std::optional<std::size_t> DeviceLink::inputReportLength() {
  return run(std::optional<std::size_t>{}, [](HidDevice& d) { return d.inputReportLength(); });
}

std::string DeviceLink::failureReason() {
  return run(std::string(msg::kLinkReleased), [](HidDevice& d) { return d.failureReason(); });
}

void DeviceLink::release() {
  std::unique_ptr<HidDevice> toClose;
  std::unique_ptr<RemovalWatch> watch;
  {
    std::lock_guard lock(mutex_);
    released_ = true;
    if (inFlight_ == 0) toClose = takeDeviceLocked();
    watch = std::move(watch_);
  }
  // Both are closed on leaving, outside the lock: stopping the watch joins its thread.
}

bool DeviceLink::released() const {
  std::lock_guard lock(mutex_);
  return released_;
}

bool DeviceLink::closed() const {
  std::lock_guard lock(mutex_);
  return !device_;
}

std::unique_ptr<HidDevice> DeviceLink::takeDeviceLocked() {
  // The device's advice outlives its handle: a removal that releases the link between
  // the failed exchange and the failure line must not take the explanation with it.
  if (device_) {
    if (std::optional<std::string> note = device_->takeDiagnostic()) keptNotes_ += *note;
  }
  return std::move(device_);
}

std::optional<std::string> DeviceLink::takeDiagnostic() {
  const std::optional<std::string> fresh =
      run(std::optional<std::string>{}, [](HidDevice& d) { return d.takeDiagnostic(); });
  std::lock_guard lock(mutex_);
  if (fresh) keptNotes_ += *fresh;
  if (keptNotes_.empty()) return std::nullopt;
  return std::exchange(keptNotes_, {});
}

}  // namespace zentho::device
