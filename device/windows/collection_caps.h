// What the HID class driver tells of one top-level collection, and whether it is the
// one that takes downloads. Plain data: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "transfer/report_protocol.h"

namespace zentho::device::windows_hid {

// HidP_GetCaps' figures and which of the download's reports the collection declares, read
// on a handle opened without read or write access (the system grants that also for
// keyboards and mice).
struct CollectionCaps {
  std::uint16_t usagePage = 0;
  std::uint16_t usage = 0;
  // Longest report of each kind, report ID byte included (0: none of that kind).
  std::size_t inputReportByteLength = 0;
  std::size_t outputReportByteLength = 0;
  bool declaresInputReport1 = false;
  bool declaresOutputReport1 = false;
};

// The download collection declares output report 1 and input report 1, and its output
// reports are long enough for the command report. Windows gives lengths per collection,
// not per report ID: HidD_SetOutputReport needs OutputReportByteLength to hold the whole
// command report, so that is what is asked of it.
inline bool IsDownloadCollection(const CollectionCaps& caps) {
  return caps.declaresOutputReport1 && caps.declaresInputReport1 &&
         caps.outputReportByteLength >= kCommandReportLength && caps.inputReportByteLength > 1;
}

}  // namespace zentho::device::windows_hid
