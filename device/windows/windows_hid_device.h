// An open HID interface on Windows: IDs from HidD_GetAttributes and its caps on a handle
// opened for a look; once it is known to be the download collection, reports through
// HidD_SetOutputReport and HidD_GetInputReport on a handle opened for reading and writing.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "device/hid_platform.h"
#include "device/windows/hid_class_driver.h"

namespace zentho::device::windows_hid {

// Writes one line to the debug output (OutputDebugStringA); the backend's failures go
// there with the system's reason.
void DebugLine(const std::string& line);

class WindowsHidDevice final : public HidDevice {
 public:
  // Opened without read or write access: the keyboard and mouse collections of a
  // composite board open this way too, and are told apart by their caps.
  static OpenResult Open(HidClassDriver& driver, const std::string& path);
  ~WindowsHidDevice() override;

  const std::string& path() const override { return path_; }
  OsResult<HidIds> ids() override;
  std::optional<std::string> unsuitable() override;
  bool otherCollection() const override { return otherCollection_; }
  // Opens the collection again for reading and writing, shared and overlapped.
  OsResult<void> claim() override;
  bool setOutputReport(std::span<const std::uint8_t> report) override;
  bool getInputReport(std::span<std::uint8_t> buffer) override;
  std::optional<std::size_t> inputReportLength() override;
  // The last failed exchange's call and system reason ("HidD_SetOutputReport: ..."),
  // which the session hands to its sink. Windows needs no advice, so no diagnostic.
  std::string failureReason() override;

 private:
  WindowsHidDevice(HidClassDriver& driver, RawHandle handle, std::string path);
  const OsResult<CollectionCaps>& collectionCaps();
  void noteFailure(const char* call);  // with the system's reason for the last error
  void noteReason(std::string reason);

  HidClassDriver& driver_;
  RawHandle handle_;  // for a look until claim(), then for reports
  bool claimed_ = false;
  const std::string path_;
  std::mutex mutex_;
  std::optional<OsResult<CollectionCaps>> caps_;
  bool otherCollection_ = false;
  std::string failureReason_;
};

}  // namespace zentho::device::windows_hid
