// The connected device as the window and a running session share it: report
// exchanges, removal watch, and a release that never touches a closed descriptor.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "device/hid_platform.h"

namespace zentho::device {

// Held by std::shared_ptr between the window and the session. release() takes effect
// at once: every exchange that starts afterwards fails. The platform handle itself is
// closed by whichever side finishes last, the releaser when nothing is in flight, or
// else the exchange that was in flight when release() came.
class DeviceLink final : public ReportChannel {
 public:
  DeviceLink(std::unique_ptr<HidDevice> device, HidIds ids,
             std::unique_ptr<RemovalWatch> watch);
  ~DeviceLink() override;
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  bool setOutputReport(std::span<const std::uint8_t> report) override;
  bool getInputReport(std::span<std::uint8_t> buffer) override;
  std::optional<std::size_t> inputReportLength() override;
  // After release() every exchange fails for that reason alone.
  std::string failureReason() override;

  // Ends the link without waiting for an exchange in flight. Idempotent.
  void release();
  bool released() const;
  // True once the platform handle is closed.
  bool closed() const;

  const std::string& path() const { return path_; }
  HidIds ids() const { return ids_; }
  // Null when the platform could not watch the device (the link then hears of no
  // removal), and after release(). For the thread that releases the link only.
  RemovalWatch* removalWatch() const { return watch_.get(); }
  // See HidDevice::takeDiagnostic(). What the device had to say when the link closed
  // it is kept until taken.
  std::optional<std::string> takeDiagnostic();

 private:
  // Runs `exchange` on the handle unless released; closes the handle afterwards when
  // this was the last exchange in flight of a released link.
  template <typename Result, typename Exchange>
  Result run(Result failed, Exchange exchange);

  // Moves the device out for closing, keeping its pending diagnostic. Under mutex_.
  std::unique_ptr<HidDevice> takeDeviceLocked();

  const std::string path_;
  const HidIds ids_;
  mutable std::mutex mutex_;
  std::unique_ptr<HidDevice> device_;  // null once closed
  unsigned inFlight_ = 0;
  bool released_ = false;
  std::unique_ptr<RemovalWatch> watch_;
  std::string keptNotes_;
};

}  // namespace zentho::device
