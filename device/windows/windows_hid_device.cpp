// The HID.DLL backend of an open interface.
#include "device/windows/windows_hid_device.h"

#include <limits>
#include <utility>

#include "device/windows/hid_api.h"
#include "base/os_result.h"

namespace zentho::device::windows_hid {
namespace {

bool FitsUlong(std::size_t length) { return length <= std::numeric_limits<ULONG>::max(); }

}  // namespace

void DebugLine(const std::string& line) { OutputDebugStringA((line + "\n").c_str()); }

OpenResult WindowsHidDevice::Open(const std::string& path) {
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    std::string reason = LastErrorText();
    DebugLine("CreateFileA " + path + ": " + reason);
    return OsError{std::move(reason)};
  }
  return std::unique_ptr<HidDevice>(new WindowsHidDevice(handle, path));
}

WindowsHidDevice::WindowsHidDevice(void* handle, std::string path)
    : handle_(handle), path_(std::move(path)) {}

WindowsHidDevice::~WindowsHidDevice() { CloseHandle(handle_); }

OsResult<HidIds> WindowsHidDevice::ids() {
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof attributes;
  if (!HidD_GetAttributes(handle_, &attributes)) {
    const std::string reason = LastErrorText();
    DebugLine("HidD_GetAttributes " + path_ + ": " + reason);
    return OsError{reason};
  }
  return HidIds{attributes.VendorID, attributes.ProductID};
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
  if (lengthKnown_) return inputLength_;
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  if (!HidD_GetPreparsedData(handle_, &preparsed)) {
    DebugLine("HidD_GetPreparsedData " + path_ + ": " + LastErrorText());
    return std::nullopt;
  }
  HIDP_CAPS caps{};
  const NTSTATUS status = HidP_GetCaps(preparsed, &caps);
  HidD_FreePreparsedData(preparsed);
  if (status != HIDP_STATUS_SUCCESS || caps.InputReportByteLength == 0) {
    DebugLine("HidP_GetCaps " + path_ + ": no input report length");
    return std::nullopt;
  }
  lengthKnown_ = true;
  inputLength_ = caps.InputReportByteLength;
  return inputLength_;
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
