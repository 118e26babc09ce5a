// The one door a device comes in by, for every front end: open an interface, read its
// IDs, compare them with the targets, check that it takes downloads, make the link.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "device/device_link.h"
#include "device/hid_platform.h"

namespace zentho::device {

// The IDs a front end looks for. All 32 bits are compared, so a target the window's
// ID box gives above 0xFFFF matches no device.
struct TargetIds {
  std::uint32_t vendorId = 0;
  std::uint32_t productId = 0;
  TargetIds() = default;
  TargetIds(std::uint32_t vendor, std::uint32_t product) : vendorId(vendor), productId(product) {}
  TargetIds(HidIds ids) : vendorId(ids.vendorId), productId(ids.productId) {}  // NOLINT: implicit on purpose
  bool matches(HidIds ids) const {
    return std::uint32_t{ids.vendorId} == vendorId && std::uint32_t{ids.productId} == productId;
  }
};

struct AdmitOptions {
  // The link gets the platform's removal watch (a front end that hears of removals).
  bool watchRemoval = true;
  // False: an interface the list already names with other IDs is passed over unopened.
  bool openListedOthers = true;
};

struct Admission {
  enum class Verdict : std::uint8_t {
    Admitted,  // `link` is up
    Skipped,   // not the target, or the target's interface that takes no downloads
    Problem,   // it may be the target but the OS refused: `reason` says why
  };
  enum class Why : std::uint8_t {
    Target,          // admitted
    OtherDevice,     // its IDs are not the targets
    NotForDownload,  // the target's IDs, but not the download interface (`reason`)
    OtherCollection, // as NotForDownload, another collection of the device (said nowhere)
    CannotOpen,      // the OS's reason in `reason`
    IdsUnreadable,   // opened, but its IDs could not be read (the OS's reason)
  };
  Verdict verdict = Verdict::Skipped;
  Why why = Why::OtherDevice;
  std::string path;
  std::shared_ptr<DeviceLink> link;
  std::optional<HidIds> ids;  // read from the open interface, else as listed, else unknown
  std::string reason;
  // The list named the target IDs: a problem with it is most likely one with the target.
  bool listedAsTarget = false;

  explicit operator bool() const { return verdict == Verdict::Admitted; }
  // The line for people about a skipped download interface or a problem, without a line
  // end (each front end ends its lines its own way); empty for the rest.
  std::string line(TargetIds targets) const;
};

// Admits the interface of `slot` (whose status is Path). `targets` absent admits any IDs
// (the survey that lists every interface). An interface that is not admitted is closed
// again before this returns, without a report sent to it.
Admission AdmitInterface(HidPlatform& platform, const InterfaceSlot& slot,
                         const std::optional<TargetIds>& targets, AdmitOptions options = {});

}  // namespace zentho::device
