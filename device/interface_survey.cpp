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
    if (slot.status == InterfaceSlot::Status::Path) {
      OpenResult opened = platform.open(slot.path);
      report.openable = opened.device != nullptr;
      report.openError = opened.error;
      if (opened.device) {
        if (std::optional<HidIds> ids = opened.device->ids()) report.ids = ids;
        report.unsuitable = opened.device->unsuitable();
      }
    }
    reports.push_back(std::move(report));
    return WalkStep::Next;
  });
  return reports;
}

}  // namespace zentho::device
