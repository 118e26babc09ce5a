// The walk over the HID interfaces for the download verb, with the hot-plug wait.
#include "app/cli/device_selection.h"

#include <utility>

#include "app/cli/hex_id.h"
#include "device/device_link.h"
#include "device/interface_walk.h"
#include "device/link_messages.h"

namespace zentho::cli {
namespace {

std::string WithoutLineEnd(std::string line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return line;
}

Target LinkTarget(std::unique_ptr<device::HidDevice> opened, device::HidIds ids, Clock& clock) {
  // No removal watch: a device that goes away fails its next exchange, which ends the
  // session through its own failure paths.
  auto link = std::make_shared<device::DeviceLink>(std::move(opened), ids, nullptr);
  Target target;
  target.path = link->path();
  target.name = ShortName(target.path);
  target.ids = ids;
  target.channel = link;
  target.clock = &clock;
  target.diagnostic = [link] { return link->takeDiagnostic(); };
  return target;
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
  void cannotOpen(Selection& selection, const std::string& path, device::HidIds ids,
                  const std::string& reason) {
    std::string line = WithoutLineEnd(device::msg::CannotOpenDevice(path, ids, reason));
    if (!openHint_.empty()) line.append(" (").append(openHint_).append(")");
    selection.problems.push_back(std::move(line));
  }

  bool listed(const std::string& path) {
    bool found = false;
    device::WalkInterfaces(platform_, [&](const device::InterfaceSlot& slot) {
      found = slot.status == device::InterfaceSlot::Status::Path && slot.path == path;
      return found ? device::WalkStep::Stop : device::WalkStep::Next;
    });
    return found;
  }

  void openPath(Selection& selection) {
    // A path that is not (yet) there is no matter of permissions: no advice for it.
    if (!listed(query_.path)) {
      selection.problems.push_back(query_.path + ": no such HID interface");
      return;
    }
    device::OpenResult opened = platform_.open(query_.path);
    if (!opened) {
      cannotOpen(selection, query_.path, query_.ids, opened.reason());
      return;
    }
    const OsResult<device::HidIds> ids = opened.value()->ids();
    if (!ids) {
      selection.problems.push_back(query_.path + ": " + std::string(device::msg::kIdsUnreadable) +
                                   ": " + ids.reason());
    } else if (*ids != query_.ids) {
      selection.problems.push_back(query_.path + " is " + FormatIds(*ids) + ", not the target " +
                                   FormatIds(query_.ids));
    } else if (std::optional<std::string> why = opened.value()->unsuitable()) {
      selection.problems.push_back(query_.path + ": " + *why);
    } else {
      selection.targets.push_back(LinkTarget(std::move(opened.value()), *ids, clock_));
    }
  }

  void walkList(Selection& selection) {
    using device::WalkStep;
    device::WalkInterfaces(platform_, [&](const device::InterfaceSlot& slot) {
      // Unlike the window's search, one unreadable entry does not hide the others.
      if (slot.status != device::InterfaceSlot::Status::Path) return WalkStep::Next;
      device::OpenResult opened = platform_.open(slot.path);
      if (!opened) {
        if (slot.listedIds == query_.ids) cannotOpen(selection, slot.path, query_.ids, opened.reason());
        return WalkStep::Next;
      }
      const OsResult<device::HidIds> ids = opened.value()->ids();
      if (!ids) {
        // Listed as the target, so most likely ours: never passed over without a word.
        if (slot.listedIds == query_.ids) {
          selection.problems.push_back(slot.path + ": " + std::string(device::msg::kIdsUnreadable) +
                                       ": " + ids.reason());
        }
        return WalkStep::Next;
      }
      if (*ids != query_.ids) return WalkStep::Next;  // closes it again
      // The keyboard node of a composite device is closed unwritten, without a word:
      // the vendor node of the same device comes next.
      if (opened.value()->unsuitable()) return WalkStep::Next;
      selection.targets.push_back(LinkTarget(std::move(opened.value()), *ids, clock_));
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
