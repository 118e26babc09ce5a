// The system's HID class driver through CreateFileA and HID.DLL.
#include "device/windows/hid_class_driver.h"

#include <vector>

#include "device/windows/hid_api.h"

namespace zentho::device::windows_hid {
namespace {

OsResult<RawHandle> OpenWith(const std::string& path, DWORD access, DWORD flags) {
  HANDLE handle = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return OsError{LastErrorText()};
  return RawHandle{handle};
}

// A report buffer of `length` bytes can be laid out for report 1 of this kind.
bool Declares(PHIDP_PREPARSED_DATA preparsed, HIDP_REPORT_TYPE kind, USHORT length) {
  if (length == 0) return false;
  std::vector<CHAR> report(length);
  return HidP_InitializeReportForID(kind, 1, preparsed, report.data(), length) == HIDP_STATUS_SUCCESS;
}

class SystemDriver final : public HidClassDriver {
 public:
  OsResult<RawHandle> openForQuery(const std::string& path) override {
    return OpenWith(path, 0, FILE_ATTRIBUTE_NORMAL);
  }
  OsResult<RawHandle> openForReports(const std::string& path) override {
    return OpenWith(path, GENERIC_READ | GENERIC_WRITE, FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL);
  }
  OsResult<HidIds> attributes(RawHandle handle) override {
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    if (!HidD_GetAttributes(handle, &attributes)) return OsError{"HidD_GetAttributes: " + LastErrorText()};
    return HidIds{attributes.VendorID, attributes.ProductID};
  }
  OsResult<CollectionCaps> caps(RawHandle handle) override {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!HidD_GetPreparsedData(handle, &preparsed)) {
      return OsError{"HidD_GetPreparsedData: " + LastErrorText()};
    }
    HIDP_CAPS caps{};
    const NTSTATUS status = HidP_GetCaps(preparsed, &caps);
    CollectionCaps found;
    if (status == HIDP_STATUS_SUCCESS) {
      found.usagePage = caps.UsagePage;
      found.usage = caps.Usage;
      found.inputReportByteLength = caps.InputReportByteLength;
      found.outputReportByteLength = caps.OutputReportByteLength;
      found.declaresInputReport1 = Declares(preparsed, HidP_Input, caps.InputReportByteLength);
      found.declaresOutputReport1 = Declares(preparsed, HidP_Output, caps.OutputReportByteLength);
    }
    HidD_FreePreparsedData(preparsed);
    if (status != HIDP_STATUS_SUCCESS) return OsError{"HidP_GetCaps: status " + std::to_string(status)};
    return found;
  }
  void close(RawHandle handle) override { CloseHandle(handle); }
};

}  // namespace

HidClassDriver& SystemHidClassDriver() {
  static SystemDriver driver;
  return driver;
}

}  // namespace zentho::device::windows_hid
