// The HID.DLL backend of an open interface.
#include "device/windows/windows_hid_device.h"

#include <limits>
#include <utility>

#include "base/os_result.h"
#include "device/link_messages.h"
#include "device/windows/hid_api.h"

namespace zentho::device::windows_hid {
namespace {

bool FitsUlong(std::size_t length) { return length <= std::numeric_limits<ULONG>::max(); }

}  // namespace

void DebugLine(const std::string& line) { OutputDebugStringA((line + "\n").c_str()); }

// Nothing is written to the debug output here: the reasons travel in the results, and
// the search says them only where they explain a failure.
OpenResult WindowsHidDevice::Open(HidClassDriver& driver, const std::string& path) {
  OsResult<RawHandle> handle = driver.openForQuery(path);
  if (!handle) return OsError{handle.reason()};
  return std::unique_ptr<HidDevice>(new WindowsHidDevice(driver, *handle, path));
}

WindowsHidDevice::WindowsHidDevice(HidClassDriver& driver, RawHandle handle, std::string path)
    : driver_(driver), handle_(handle), path_(std::move(path)) {}

WindowsHidDevice::~WindowsHidDevice() { driver_.close(handle_); }

OsResult<HidIds> WindowsHidDevice::ids() { return driver_.attributes(handle_); }

const OsResult<CollectionCaps>& WindowsHidDevice::collectionCaps() {
  if (!caps_) caps_ = driver_.caps(handle_);
  return *caps_;
}

std::optional<std::string> WindowsHidDevice::unsuitable() {
  std::lock_guard lock(mutex_);
  const OsResult<CollectionCaps>& caps = collectionCaps();
  otherCollection_ = false;
  if (!caps) return "its capabilities cannot be read: " + caps.reason();
  if (IsDownloadCollection(*caps)) return std::nullopt;
  otherCollection_ = true;
  return std::string(msg::kNotDownloadInterface);
}

OsResult<void> WindowsHidDevice::claim() {
  std::lock_guard lock(mutex_);
  if (claimed_) return {};
  OsResult<RawHandle> forReports = driver_.openForReports(path_);
  if (!forReports) return OsError{forReports.reason()};
  driver_.close(handle_);
  handle_ = *forReports;
  claimed_ = true;
  return {};
}

bool WindowsHidDevice::setOutputReport(std::span<const std::uint8_t> report) {
  if (report.empty() || !FitsUlong(report.size())) {
    noteReason("HidD_SetOutputReport: report length out of range");
    return false;
  }
  // HidD_SetOutputReport only reads the buffer, though it is declared writable.
  auto* bytes = const_cast<std::uint8_t*>(report.data());
  if (!HidD_SetOutputReport(handle_, bytes, static_cast<ULONG>(report.size()))) {
    noteFailure("HidD_SetOutputReport");
    return false;
  }
  return true;
}

bool WindowsHidDevice::getInputReport(std::span<std::uint8_t> buffer) {
  if (buffer.empty() || !FitsUlong(buffer.size())) {
    noteReason("HidD_GetInputReport: report length out of range");
    return false;
  }
  // The report ID to ask for goes in the first byte; the rest is the answer's.
  if (!HidD_GetInputReport(handle_, buffer.data(), static_cast<ULONG>(buffer.size()))) {
    noteFailure("HidD_GetInputReport");
    return false;
  }
  return true;
}

std::optional<std::size_t> WindowsHidDevice::inputReportLength() {
  std::lock_guard lock(mutex_);
  const OsResult<CollectionCaps>& caps = collectionCaps();
  if (!caps) {
    DebugLine(path_ + ": " + caps.reason());
    return std::nullopt;
  }
  if (caps->inputReportByteLength == 0) {
    DebugLine("HidP_GetCaps " + path_ + ": no input report length");
    return std::nullopt;
  }
  return caps->inputReportByteLength;
}

void WindowsHidDevice::noteFailure(const char* call) {
  noteReason(std::string(call) + ": " + LastErrorText());
}

void WindowsHidDevice::noteReason(std::string reason) {
  std::lock_guard lock(mutex_);
  failureReason_ = std::move(reason);
}

std::string WindowsHidDevice::failureReason() {
  std::lock_guard lock(mutex_);
  return failureReason_;
}

}  // namespace zentho::device::windows_hid
