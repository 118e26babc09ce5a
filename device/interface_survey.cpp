// Lists every present HID interface with its IDs and whether it can be opened.
#include "device/interface_survey.h"

#include "device/admission.h"
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
      // Admitted with any IDs and closed again at once: no link outlives the survey.
      AdmitOptions options;
      options.watchRemoval = false;
      const Admission admission = AdmitInterface(platform, slot, std::nullopt, options);
      using Why = Admission::Why;
      report.ids = admission.ids;
      report.openable = admission.why != Why::CannotOpen;
      if (admission.why == Why::CannotOpen) report.openError = admission.reason;
      if (admission.why == Why::NotForDownload || admission.why == Why::OtherCollection) {
        report.unsuitable = admission.reason;
      }
      if (admission.why == Why::IdsUnreadable) report.idsError = admission.reason;
    }
    reports.push_back(std::move(report));
    return WalkStep::Next;
  });
  return reports;
}

}  // namespace zentho::device
