// An open hidraw node: IDs, report exchanges through the report ioctls, and the
// report lengths from the report descriptor.
#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/hid_platform.h"
#include "device/linux/removal_signal.h"
#include "device/report_descriptor.h"

namespace zentho::device::linux_hid {

// What sysfs tells of one node; any part may be empty when unknown.
struct NodeSysfs {
  std::string syspath;              // the hidraw node
  std::string hidSyspath;           // its "hid" parent, which holds the report descriptor
  std::string usbInterfaceSyspath;  // the USB interface, which lists the endpoints
};

// Facts of the machine rather than the device, injected so that tests can vary them.
struct HostFacts {
  std::string kernelRelease;              // as uname gives it; empty when unknown
  std::filesystem::path usbhidQuirksPath; // usbhid's quirks parameter; empty: not read
  static HostFacts OfThisMachine();
};

class HidrawDevice final : public HidDevice {
 public:
  static OpenResult Open(const std::string& devnode, NodeSysfs sysfs = {}, HostFacts host = {});
  ~HidrawDevice() override;

  const std::string& path() const override { return devnode_; }
  OsResult<HidIds> ids() override;
  bool setOutputReport(std::span<const std::uint8_t> report) override;
  bool getInputReport(std::span<std::uint8_t> buffer) override;
  std::optional<std::size_t> inputReportLength() override;
  std::string failureReason() override;
  std::optional<std::string> takeDiagnostic() override;
  std::optional<std::string> unsuitable() override;

  int descriptor() const { return fd_; }
  const std::string& syspath() const { return sysfs_.syspath; }
  // Raised when an exchange finds the device gone (ENODEV, ESHUTDOWN, EPROTO).
  const std::shared_ptr<RemovalSignal>& removalSignal() const { return removal_; }

 private:
  HidrawDevice(int fd, std::string devnode, NodeSysfs sysfs, HostFacts host);
  // Keeps the reason and sorts out what it means: removal, or a kernel too old.
  void noteFailure(std::string_view ioctlName, int error);
  void noteReason(std::string reason);
  // The parsed report descriptor, read once (sysfs first, then the node).
  const std::optional<ReportMap>& reports();

  const int fd_;
  const std::string devnode_;
  const NodeSysfs sysfs_;
  const HostFacts host_;
  std::shared_ptr<RemovalSignal> removal_;

  std::mutex mutex_;
  bool reportsRead_ = false;
  std::optional<ReportMap> reports_;
  std::string failureReason_;
  bool kernelNoteGiven_ = false;
  bool pipeNoteChecked_ = false;
  std::vector<std::string> notes_;  // diagnostics not yet taken
};

}  // namespace zentho::device::linux_hid
