// A description of every present HID interface, for listing them to the operator.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "device/hid_platform.h"

namespace zentho::device {

struct InterfaceReport {
  InterfaceSlot::Status status = InterfaceSlot::Status::Path;
  std::string path;
  std::optional<HidIds> ids;  // from the open interface, else as listed, else unknown
  bool openable = false;
  std::string openError;      // the OS's reason when it could not be opened
  std::string idsError;       // the OS's reason when it opened but its IDs could not be read
  // Why it opened but does not take downloads (HidDevice::unsuitable), if it doesn't.
  std::optional<std::string> unsuitable;
  std::string portPath;       // as listed (InterfaceSlot); empty when unknown
  std::string serialNumber;
};

// Admits each listed interface once, with any IDs, and closes it again to learn whether
// it can be used. Unlike the search it goes on past interfaces whose path can't be read.
std::vector<InterfaceReport> SurveyInterfaces(HidPlatform& platform);

}  // namespace zentho::device
