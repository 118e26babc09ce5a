// An open hidraw node: IDs, report exchanges through the report ioctls, and the
// input report length from the report descriptor.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "device/hid_platform.h"
#include "device/linux/removal_signal.h"

namespace zentho::device::linux_hid {

class HidrawDevice final : public HidDevice {
 public:
  // `hidSyspath` is the sysfs path of the parent "hid" device (empty if unknown).
  static OpenResult Open(const std::string& devnode, std::string syspath, std::string hidSyspath);
  ~HidrawDevice() override;

  const std::string& path() const override { return devnode_; }
  std::optional<HidIds> ids() override;
  bool setOutputReport(std::span<const std::uint8_t> report) override;
  bool getInputReport(std::span<std::uint8_t> buffer) override;
  std::optional<std::size_t> inputReportLength() override;
  std::optional<std::string> takeDiagnostic() override;

  int descriptor() const { return fd_; }
  const std::string& syspath() const { return syspath_; }
  // Raised when an exchange finds the device gone (ENODEV).
  const std::shared_ptr<RemovalSignal>& removalSignal() const { return removal_; }

 private:
  HidrawDevice(int fd, std::string devnode, std::string syspath, std::string hidSyspath);
  // Sorts out why a report ioctl failed: removal, or a kernel without the ioctl.
  void noteFailure(int error);
  std::optional<std::size_t> readInputReportLength();

  const int fd_;
  const std::string devnode_;
  const std::string syspath_;
  const std::string hidSyspath_;
  std::shared_ptr<RemovalSignal> removal_;

  std::mutex mutex_;
  bool lengthKnown_ = false;
  std::optional<std::size_t> inputLength_;
  bool diagnosticGiven_ = false;
  std::optional<std::string> diagnostic_;
};

}  // namespace zentho::device::linux_hid
