// Lists every present HID interface with its IDs and whether it can be opened.
#include "device/interface_survey.h"

#include "device/interface_walk.h"

namespace zentho::device {

std::vector<InterfaceReport> SurveyInterfaces(HidPlatform& platform) {
  std::vector<InterfaceReport> reports;
  WalkInterfaces(platform, [&](InterfaceSlot& slot) {
    InterfaceReport report;
    report.status = slot.status;
    report.path = slot.path;
    report.ids = slot.listedIds;
    report.portPath = slot.portPath;
    report.serialNumber = slot.serialNumber;
    if (slot.status == InterfaceSlot::Status::Path) {
      OpenResult opened = platform.open(slot.path);
      report.openable = static_cast<bool>(opened);
      report.openError = opened.reason();
      if (opened) {
        if (OsResult<HidIds> ids = opened.value()->ids()) report.ids = *ids;
        report.unsuitable = opened.value()->unsuitable();
      }
    }
    reports.push_back(std::move(report));
    return WalkStep::Next;
  });
  return reports;
}

}  // namespace zentho::device
