// Admitting one interface: open, IDs, compare, download interface, link.
#include "device/admission.h"

#include <utility>

#include "device/link_messages.h"

namespace zentho::device {

std::string Admission::line(TargetIds targets) const {
  const HidIds named =
      ids.value_or(HidIds{static_cast<std::uint16_t>(targets.vendorId),
                          static_cast<std::uint16_t>(targets.productId)});
  switch (why) {
    case Why::NotForDownload:
    case Why::OtherCollection: return msg::SkippedDevice(path, named, reason);
    case Why::CannotOpen: return msg::CannotOpenDevice(path, named, reason);
    case Why::IdsUnreadable: return msg::IdsUnreadable(path, reason);
    case Why::Target:
    case Why::OtherDevice: break;
  }
  return {};
}

Admission AdmitInterface(HidPlatform& platform, const InterfaceSlot& slot,
                         const std::optional<TargetIds>& targets, AdmitOptions options) {
  Admission admission;
  admission.path = slot.path;
  admission.ids = slot.listedIds;
  admission.listedAsTarget = slot.listedIds && (!targets || targets->matches(*slot.listedIds));
  auto problem = [&](Admission::Why why, std::string reason) {
    admission.verdict = Admission::Verdict::Problem;
    admission.why = why;
    admission.reason = std::move(reason);
    return std::move(admission);
  };
  if (slot.listedIds && !admission.listedAsTarget && !options.openListedOthers) return admission;

  OpenResult opened = platform.open(slot.path);
  if (!opened) return problem(Admission::Why::CannotOpen, opened.reason());
  const OsResult<HidIds> ids = opened.value()->ids();
  if (!ids) return problem(Admission::Why::IdsUnreadable, ids.reason());  // closes it
  admission.ids = *ids;
  if (targets && !targets->matches(*ids)) return admission;  // closes it
  if (std::optional<std::string> why = opened.value()->unsuitable()) {
    admission.why = opened.value()->otherCollection() ? Admission::Why::OtherCollection
                                                      : Admission::Why::NotForDownload;
    admission.reason = std::move(*why);
    return admission;  // closed without a report sent to it
  }
  if (OsResult<void> claimed = opened.value()->claim(); !claimed) {
    return problem(Admission::Why::CannotOpen, claimed.reason());
  }
  // A watch that can't be had leaves the link up without removal news.
  std::unique_ptr<RemovalWatch> watch =
      options.watchRemoval ? platform.watchRemoval(*opened.value()) : nullptr;
  admission.verdict = Admission::Verdict::Admitted;
  admission.why = Admission::Why::Target;
  admission.link = std::make_shared<DeviceLink>(std::move(opened.value()), *ids, std::move(watch));
  return admission;
}

}  // namespace zentho::device
