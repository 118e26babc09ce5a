// The walk over the HID interfaces for the download verb, with the hot-plug wait.
#include "app/cli/device_selection.h"

#include <utility>

#include "app/cli/hex_id.h"
#include "device/admission.h"
#include "device/device_link.h"
#include "device/interface_walk.h"
#include "device/link_messages.h"

namespace zentho::cli {
namespace {

Target LinkTarget(std::shared_ptr<device::DeviceLink> link, Clock& clock) {
  Target target;
  target.path = link->path();
  target.name = ShortName(target.path);
  target.ids = link->ids();
  target.channel = link;
  target.clock = &clock;
  target.diagnostic = [link] { return link->takeDiagnostic(); };
  return target;
}

// No removal watch: a device that goes away fails its next exchange, which ends the
// session through its own failure paths.
device::AdmitOptions WithoutRemovalWatch() {
  device::AdmitOptions options;
  options.watchRemoval = false;
  return options;
}

class Walk {
 public:
  Walk(device::HidPlatform& platform, const DeviceQuery& query, Clock& clock,
       std::string_view openHint)
      : platform_(platform), query_(query), clock_(clock), openHint_(openHint) {}

  Selection once() {
    Selection selection;
    if (query_.pick == Pick::Path) {
      openPath(selection);
    } else {
      walkList(selection);
    }
    return selection;
  }

 private:
  void problem(Selection& selection, const device::Admission& admission) {
    std::string line = admission.line(query_.ids);
    if (admission.why == device::Admission::Why::CannotOpen && !openHint_.empty()) {
      line.append(" (").append(openHint_).append(")");
    }
    selection.problems.push_back(std::move(line));
  }

  std::optional<device::InterfaceSlot> listed(const std::string& path) {
    std::optional<device::InterfaceSlot> found;
    device::WalkInterfaces(platform_, [&](const device::InterfaceSlot& slot) {
      if (slot.status == device::InterfaceSlot::Status::Path && slot.path == path) found = slot;
      return found ? device::WalkStep::Stop : device::WalkStep::Next;
    });
    return found;
  }

  void openPath(Selection& selection) {
    // A path that is not (yet) there is no matter of permissions: no advice for it.
    const std::optional<device::InterfaceSlot> slot = listed(query_.path);
    if (!slot) {
      selection.problems.push_back(query_.path + ": no such HID interface");
      return;
    }
    device::Admission admission =
        device::AdmitInterface(platform_, *slot, query_.ids, WithoutRemovalWatch());
    if (admission) {
      selection.targets.push_back(LinkTarget(std::move(admission.link), clock_));
    } else if (admission.why == device::Admission::Why::OtherDevice && admission.ids) {
      selection.problems.push_back(query_.path + " is " + FormatIds(*admission.ids) +
                                   ", not the target " + FormatIds(query_.ids));
    } else {
      problem(selection, admission);
    }
  }

  void walkList(Selection& selection) {
    using device::WalkStep;
    device::WalkInterfaces(platform_, [&](const device::InterfaceSlot& slot) {
      // Unlike the window's search, one unreadable entry does not hide the others.
      if (slot.status != device::InterfaceSlot::Status::Path) return WalkStep::Next;
      device::Admission admission =
          device::AdmitInterface(platform_, slot, query_.ids, WithoutRemovalWatch());
      if (!admission) {
        // Listed as the target, so most likely ours: never passed over without a word.
        // The keyboard node of a composite device is passed over without one: the vendor
        // node of the same device comes next.
        if (admission.verdict == device::Admission::Verdict::Problem && admission.listedAsTarget) {
          problem(selection, admission);
        }
        return WalkStep::Next;
      }
      selection.targets.push_back(LinkTarget(std::move(admission.link), clock_));
      // Later interfaces are never opened.
      return query_.pick == Pick::First ? WalkStep::Stop : WalkStep::Next;
    });
  }

  device::HidPlatform& platform_;
  const DeviceQuery& query_;
  Clock& clock_;
  std::string_view openHint_;
};

}  // namespace

std::string ShortName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

Selection SelectDevices(device::HidPlatform& platform, const DeviceQuery& query, Clock& clock,
                        std::string_view openHint, std::stop_token stop) {
  Walk walk(platform, query, clock, openHint);
  const Clock::time_point deadline = clock.now() + query.wait;
  for (bool firstLook = true;; firstLook = false) {
    Selection selection = walk.once();
    if (!selection.targets.empty()) {
      if (firstLook || query.pick != Pick::All) return selection;
      selection = {};  // closes them while the others settle
      if (!clock.sleepFor(kAllSettleTime, stop)) return selection;
      return walk.once();
    }
    const Clock::time_point now = clock.now();
    if (now >= deadline || stop.stop_requested()) return selection;
    const Clock::duration pause = std::min<Clock::duration>(kWaitPollInterval, deadline - now);
    if (!clock.sleepFor(pause, stop)) return selection;
  }
}

}  // namespace zentho::cli
