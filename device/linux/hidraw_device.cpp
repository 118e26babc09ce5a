// The hidraw backend of an open interface.
#include "device/linux/hidraw_device.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include "device/link_messages.h"
#include "device/linux/hidraw_ioctls.h"
#include "device/report_descriptor.h"

namespace zentho::device::linux_hid {
namespace {

bool LengthFitsIoctl(std::size_t length) {
  return length >= kMinReportIoctlLength && length <= kMaxReportIoctlLength;
}

// The ioctl request macros give an unsigned long; the length always fits.
unsigned long ReportRequest(bool output, std::size_t length) {
  return output ? static_cast<unsigned long>(HIDIOCSOUTPUT(length))
                : static_cast<unsigned long>(HIDIOCGINPUT(length));
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

OpenResult HidrawDevice::Open(const std::string& devnode, std::string syspath,
                              std::string hidSyspath) {
  const int fd = ::open(devnode.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return {nullptr, std::strerror(errno)};
  return {std::unique_ptr<HidrawDevice>(
              new HidrawDevice(fd, devnode, std::move(syspath), std::move(hidSyspath))),
          {}};
}

HidrawDevice::HidrawDevice(int fd, std::string devnode, std::string syspath,
                           std::string hidSyspath)
    : fd_(fd), devnode_(std::move(devnode)), syspath_(std::move(syspath)),
      hidSyspath_(std::move(hidSyspath)), removal_(std::make_shared<RemovalSignal>()) {}

HidrawDevice::~HidrawDevice() { ::close(fd_); }

std::optional<HidIds> HidrawDevice::ids() {
  hidraw_devinfo info{};
  if (ioctl(fd_, HIDIOCGRAWINFO, &info) < 0) return std::nullopt;
  // The kernel's fields are signed 16-bit: IDs above 0x7FFF would turn negative.
  return HidIds{static_cast<std::uint16_t>(info.vendor), static_cast<std::uint16_t>(info.product)};
}

bool HidrawDevice::setOutputReport(std::span<const std::uint8_t> report) {
  if (!LengthFitsIoctl(report.size())) return false;
  // HIDIOCSOUTPUT only reads the buffer, though its request is declared read-write.
  auto* bytes = const_cast<std::uint8_t*>(report.data());
  if (ioctl(fd_, ReportRequest(true, report.size()), bytes) < 0) {
    noteFailure(errno);
    return false;
  }
  return true;
}

bool HidrawDevice::getInputReport(std::span<std::uint8_t> buffer) {
  if (!LengthFitsIoctl(buffer.size())) return false;
  const int received = ioctl(fd_, ReportRequest(false, buffer.size()), buffer.data());
  if (received < 0) {
    noteFailure(errno);
    return false;
  }
  if (received == 0) return false;
  // A short answer must not leave an earlier report's bytes behind it.
  const auto got = static_cast<std::size_t>(received);
  if (got < buffer.size()) std::memset(buffer.data() + got, 0, buffer.size() - got);
  return true;
}

void HidrawDevice::noteFailure(int error) {
  if (error == ENODEV) {
    removal_->raise();
    return;
  }
  // Kernels before 5.11 refuse both report ioctls outright.
  if (error == EINVAL || error == ENOTTY) {
    std::lock_guard lock(mutex_);
    if (!diagnosticGiven_) {
      diagnosticGiven_ = true;
      diagnostic_ = std::string(msg::kKernelLacksReportIoctls);
    }
  }
}

std::optional<std::string> HidrawDevice::takeDiagnostic() {
  std::lock_guard lock(mutex_);
  return std::exchange(diagnostic_, std::nullopt);
}

std::optional<std::size_t> HidrawDevice::inputReportLength() {
  std::lock_guard lock(mutex_);
  if (!lengthKnown_) {
    inputLength_ = readInputReportLength();
    lengthKnown_ = inputLength_.has_value();
  }
  return inputLength_;
}

std::optional<std::size_t> HidrawDevice::readInputReportLength() {
  // sysfs first: it needs no privilege and no trip to the device.
  std::optional<std::vector<std::uint8_t>> descriptor = ReadDescriptorFromSysfs(hidSyspath_);
  if (!descriptor) descriptor = ReadDescriptorFromNode(fd_);
  if (!descriptor) return std::nullopt;
  std::optional<std::size_t> length = InputReportByteLength(*descriptor);
  if (length && *length == 0) return std::nullopt;
  return length;
}

}  // namespace zentho::device::linux_hid
