// The HID class driver's calls that admit one interface: open it for a look, read its
// IDs and caps, open it for reports, close it. A seam, so that a test can put a
// composite board in the system's place.
#pragma once

#include <memory>
#include <string>

#include "base/os_result.h"
#include "device/hid_platform.h"
#include "device/windows/collection_caps.h"

namespace zentho::device::windows_hid {

// A Win32 HANDLE, kept opaque so that this header needs no Windows header.
using RawHandle = void*;

class HidClassDriver {
 public:
  virtual ~HidClassDriver() = default;
  // CreateFileA with no access and read and write sharing: enough for the attributes
  // and the caps, and granted also for the collections the system keeps for itself.
  virtual OsResult<RawHandle> openForQuery(const std::string& path) = 0;
  // CreateFileA for reading and writing, shared for both, overlapped: the link's handle.
  virtual OsResult<RawHandle> openForReports(const std::string& path) = 0;
  // HidD_GetAttributes.
  virtual OsResult<HidIds> attributes(RawHandle handle) = 0;
  // HidD_GetPreparsedData, HidP_GetCaps, HidP_InitializeReportForID for report 1 of
  // each kind, HidD_FreePreparsedData.
  virtual OsResult<CollectionCaps> caps(RawHandle handle) = 0;
  virtual void close(RawHandle handle) = 0;
};

// The system's own.
HidClassDriver& SystemHidClassDriver();

}  // namespace zentho::device::windows_hid
