// The hidraw backend of an open interface.
#include "device/linux/hidraw_device.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

#include "device/link_messages.h"
#include "device/linux/hidraw_ioctls.h"
#include "device/linux/kernel_release.h"
#include "device/linux/usb_pipe.h"

namespace zentho::device::linux_hid {
namespace {

constexpr std::string_view kOutputIoctl = "HIDIOCSOUTPUT";
constexpr std::string_view kInputIoctl = "HIDIOCGINPUT";

bool LengthFitsIoctl(std::size_t length) {
  return length >= kMinReportIoctlLength && length <= kMaxReportIoctlLength;
}

// The ioctl request macros give an unsigned long; the length always fits.
unsigned long ReportRequest(bool output, std::size_t length) {
  return output ? static_cast<unsigned long>(HIDIOCSOUTPUT(length))
                : static_cast<unsigned long>(HIDIOCGINPUT(length));
}

// What the kernel says when the device has gone: ENODEV once hidraw knows, ESHUTDOWN
// or EPROTO from the USB host controller while it is going.
bool MeansRemoval(int error) { return error == ENODEV || error == ESHUTDOWN || error == EPROTO; }

std::string Reason(std::string_view ioctlName, std::string_view what) {
  std::string reason(ioctlName);
  reason.append(": ").append(what);
  return reason;
}

std::optional<std::vector<std::uint8_t>> ReadDescriptorFromSysfs(const std::string& hidSyspath) {
  if (hidSyspath.empty()) return std::nullopt;
  std::ifstream file(hidSyspath + "/report_descriptor", std::ios::binary);
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                  std::istreambuf_iterator<char>()};
  if (bytes.empty()) return std::nullopt;
  return bytes;
}

std::optional<std::vector<std::uint8_t>> ReadDescriptorFromNode(int fd) {
  int size = 0;
  if (ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE) {
    return std::nullopt;
  }
  hidraw_report_descriptor descriptor{};
  descriptor.size = static_cast<std::uint32_t>(size);
  if (ioctl(fd, HIDIOCGRDESC, &descriptor) < 0) return std::nullopt;
  return std::vector<std::uint8_t>(descriptor.value, descriptor.value + size);
}

}  // namespace

HostFacts HostFacts::OfThisMachine() {
  return {RunningKernelRelease(), std::filesystem::path(kUsbhidQuirksPath)};
}

OpenResult HidrawDevice::Open(const std::string& devnode, NodeSysfs sysfs, HostFacts host) {
  const int fd = ::open(devnode.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return LastOsError();
  return std::unique_ptr<HidDevice>(new HidrawDevice(fd, devnode, std::move(sysfs), std::move(host)));
}

HidrawDevice::HidrawDevice(int fd, std::string devnode, NodeSysfs sysfs, HostFacts host)
    : fd_(fd), devnode_(std::move(devnode)), sysfs_(std::move(sysfs)), host_(std::move(host)),
      removal_(std::make_shared<RemovalSignal>()) {}

HidrawDevice::~HidrawDevice() { ::close(fd_); }

OsResult<HidIds> HidrawDevice::ids() {
  hidraw_devinfo info{};
  if (ioctl(fd_, HIDIOCGRAWINFO, &info) < 0) return LastOsError();
  // The kernel's fields are signed 16-bit: IDs above 0x7FFF would turn negative.
  const HidIds ids{static_cast<std::uint16_t>(info.vendor), static_cast<std::uint16_t>(info.product)};
  // The pipe is looked at once the node is known, while sysfs still has the interface.
  std::lock_guard lock(mutex_);
  if (!pipeNoteChecked_) {
    pipeNoteChecked_ = true;
    if (std::optional<std::string> note =
            OutputPipeNote(sysfs_.usbInterfaceSyspath, host_.usbhidQuirksPath, ids)) {
      notes_.push_back(std::move(*note));
    }
  }
  return ids;
}

bool HidrawDevice::setOutputReport(std::span<const std::uint8_t> report) {
  if (!LengthFitsIoctl(report.size())) {
    noteReason(Reason(kOutputIoctl, "report length out of range"));
    return false;
  }
  // HIDIOCSOUTPUT only reads the buffer, though its request is declared read-write.
  auto* bytes = const_cast<std::uint8_t*>(report.data());
  const int sent = ioctl(fd_, ReportRequest(true, report.size()), bytes);
  if (sent < 0) {
    noteFailure(kOutputIoctl, errno);
    return false;
  }
  // A report cut short would reach the device as another command than the one meant.
  if (static_cast<std::size_t>(sent) != report.size()) {
    noteReason(Reason(kOutputIoctl, std::to_string(sent) + " of " + std::to_string(report.size()) +
                                        " bytes sent"));
    return false;
  }
  return true;
}

bool HidrawDevice::getInputReport(std::span<std::uint8_t> buffer) {
  if (!LengthFitsIoctl(buffer.size())) {
    noteReason(Reason(kInputIoctl, "report length out of range"));
    return false;
  }
  const std::uint8_t reportId = buffer[0];
  const int received = ioctl(fd_, ReportRequest(false, buffer.size()), buffer.data());
  if (received < 0) {
    noteFailure(kInputIoctl, errno);
    return false;
  }
  // A short answer would decode as a chip revision or a block number the device never
  // sent; another report's bytes are no status at all.
  if (static_cast<std::size_t>(received) != buffer.size()) {
    noteReason(Reason(kInputIoctl, std::to_string(received) + " of " +
                                       std::to_string(buffer.size()) + " bytes received"));
    return false;
  }
  if (buffer[0] != reportId) {
    noteReason(Reason(kInputIoctl, "report ID " + std::to_string(buffer[0]) + " received, not " +
                                       std::to_string(reportId)));
    return false;
  }
  return true;
}

void HidrawDevice::noteReason(std::string reason) {
  std::lock_guard lock(mutex_);
  failureReason_ = std::move(reason);
}

void HidrawDevice::noteFailure(std::string_view ioctlName, int error) {
  noteReason(Reason(ioctlName, ErrnoText(error)));
  if (MeansRemoval(error)) {
    removal_->raise();
    return;
  }
  // Kernels before 5.11 refuse both report ioctls outright; a newer one that refuses
  // them has another reason, which the trace keeps.
  if ((error == EINVAL || error == ENOTTY) && KernelLacksReportIoctls(host_.kernelRelease)) {
    std::lock_guard lock(mutex_);
    if (!kernelNoteGiven_) {
      kernelNoteGiven_ = true;
      notes_.emplace_back(msg::kKernelLacksReportIoctls);
    }
  }
}

std::string HidrawDevice::failureReason() {
  std::lock_guard lock(mutex_);
  return failureReason_;
}

std::optional<std::string> HidrawDevice::takeDiagnostic() {
  std::lock_guard lock(mutex_);
  if (notes_.empty()) return std::nullopt;
  std::string text;
  for (const std::string& note : notes_) text += note;
  notes_.clear();
  return text;
}

const std::optional<ReportMap>& HidrawDevice::reports() {
  if (!reportsRead_) {
    reportsRead_ = true;
    // sysfs first: it needs no privilege and no trip to the device.
    std::optional<std::vector<std::uint8_t>> descriptor = ReadDescriptorFromSysfs(sysfs_.hidSyspath);
    if (!descriptor) descriptor = ReadDescriptorFromNode(fd_);
    if (descriptor) reports_ = ParseReportDescriptor(*descriptor);
  }
  return reports_;
}

std::optional<std::string> HidrawDevice::unsuitable() {
  std::lock_guard lock(mutex_);
  const std::optional<ReportMap>& map = reports();
  if (!map) return std::string(msg::kDescriptorUnreadable);
  if (!DownloadInputReportLength(*map, kCommandReportLength - 1)) {
    return std::string(msg::kNotDownloadInterface);
  }
  return std::nullopt;
}

std::optional<std::size_t> HidrawDevice::inputReportLength() {
  std::lock_guard lock(mutex_);
  const std::optional<ReportMap>& map = reports();
  if (!map) return std::nullopt;
  return DownloadInputReportLength(*map, kCommandReportLength - 1);
}

}  // namespace zentho::device::linux_hid
