// An open HID interface on Windows: IDs from HidD_GetAttributes, reports through
// HidD_SetOutputReport and HidD_GetInputReport, the input length from HidP_GetCaps.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "device/hid_platform.h"

namespace zentho::device::windows_hid {

// Writes one line to the debug output (OutputDebugStringA); the backend's failures go
// there with the system's reason.
void DebugLine(const std::string& line);

class WindowsHidDevice final : public HidDevice {
 public:
  // CreateFileA for reading and writing, shared for both, overlapped.
  static OpenResult Open(const std::string& path);
  ~WindowsHidDevice() override;

  const std::string& path() const override { return path_; }
  OsResult<HidIds> ids() override;
  bool setOutputReport(std::span<const std::uint8_t> report) override;
  bool getInputReport(std::span<std::uint8_t> buffer) override;
  std::optional<std::size_t> inputReportLength() override;
  // The last failed exchange's call and system reason ("HidD_SetOutputReport: ..."),
  // which the session hands to its sink. Windows needs no advice, so no diagnostic.
  std::string failureReason() override;

 private:
  WindowsHidDevice(void* handle, std::string path);
  void noteFailure(const char* call);  // with the system's reason for the last error
  void noteReason(std::string reason);

  void* const handle_;
  const std::string path_;
  std::mutex mutex_;
  bool lengthKnown_ = false;
  std::optional<std::size_t> inputLength_;
  std::string failureReason_;
};

}  // namespace zentho::device::windows_hid
