// The HID platform seam: list the present HID interfaces, open one, read its IDs,
// exchange reports on it, watch it for removal and hear interfaces come and go. One
// backend per OS, one simulated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/os_result.h"
#include "transfer/report_protocol.h"

namespace zentho::device {

// The IDs an Orvane device carries unless its firmware was built with others.
inline constexpr std::uint16_t kOrvaneVendorId = 0x4A5D;
inline constexpr std::uint16_t kOrvaneProductId = 0x7310;

struct HidIds {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  friend bool operator==(const HidIds&, const HidIds&) = default;
};

// What the platform's list says about the interface at one index.
struct InterfaceSlot {
  enum class Status : std::uint8_t {
    Path,              // `path` names the interface
    DetailReadFailed,  // the interface exists but its path could not be read
    AllocationFailed,  // no memory to read its path
  };
  Status status = Status::Path;
  std::string path;
  // IDs the platform knows without opening the interface (Linux: from sysfs). Used
  // only to name a matching interface that cannot be opened, never to match.
  std::optional<HidIds> listedIds;
  // Where the interface sits, for naming a board to people: the USB port path ("1-2.3"
  // on Linux, the location path on Windows) and the USB device's serial number string.
  // Empty when the platform cannot tell.
  std::string portPath = {};
  std::string serialNumber = {};
};

// A snapshot of the interfaces present when it was taken. Destroying it releases it.
class InterfaceList {
 public:
  virtual ~InterfaceList() = default;
  // The interface at `index`, nothing past the last one. Indexes run from 0 without gaps.
  virtual std::optional<InterfaceSlot> at(std::size_t index) = 0;
  // False when the listing itself failed or stopped short of its end, so that an
  // interface missing from it may still be there. Asked after the last at().
  virtual bool complete() const { return true; }
};

// An open interface. Destroying it closes it. Report exchanges may run on another
// thread than the one that opened it, but the owner guarantees that none is in
// flight when it is destroyed (DeviceLink does).
class HidDevice : public ReportChannel {
 public:
  virtual const std::string& path() const = 0;
  // Vendor and product ID read from the open interface, or the OS's reason why not.
  virtual OsResult<HidIds> ids() = 0;
  // A one-time explanation of why exchanges fail that the caller should show (for
  // example a kernel too old for the report ioctls). Empty once taken.
  virtual std::optional<std::string> takeDiagnostic() { return std::nullopt; }
  // Why this interface, though it carries the target IDs, does not take downloads
  // (Linux: the keyboard or mouse node of a composite device); nothing when it does.
  virtual std::optional<std::string> unsuitable() { return std::nullopt; }
  // True when unsuitable() turned this interface down as another top-level collection
  // of the device: where the system lists each collection as an interface of its own
  // (Windows: the keyboard and mouse beside the vendor collection), such a one is passed
  // over without a word, as the search passes over one it cannot open.
  virtual bool otherCollection() const { return false; }
  // Makes the download interface ready for report exchanges, after unsuitable() has let
  // it through. Windows opens it again for reading and writing here, which it refuses
  // for keyboards and mice; the OS's reason when it can't.
  virtual OsResult<void> claim() { return {}; }
};

// The open interface, or the OS's reason why it could not be opened.
using OpenResult = OsResult<std::unique_ptr<HidDevice>>;

// Learns that one particular interface, the connected one, has gone. Removals of
// other interfaces are not reported.
class RemovalWatch {
 public:
  virtual ~RemovalWatch() = default;
  // True once the watched interface has been seen to go. Never blocks.
  virtual bool removed() const = 0;
  // A descriptor that turns readable when the removal has been seen, for poll loops;
  // -1 where the platform has none (the callback still works).
  virtual int descriptor() const = 0;
  // `notify` runs once, on whichever thread saw the removal (at once if it already
  // happened). It must only hand the news to the front end's thread, never destroy
  // the watch.
  virtual void setNotify(std::function<void()> notify) = 0;
};

// One interface plugged in or taken away.
struct InterfaceChange {
  enum class Kind : std::uint8_t { Arrived, Departed };
  Kind kind = Kind::Arrived;
  std::string path;  // as listInterfaces() names it
  friend bool operator==(const InterfaceChange&, const InterfaceChange&) = default;
};

// Hears every interface arrive and leave, for front ends that act on each board as it is
// plugged in. The changes are news only: the list stays the truth of what is present.
class ArrivalWatch {
 public:
  virtual ~ArrivalWatch() = default;
  // The changes seen since the last call, oldest first. Never blocks.
  virtual std::vector<InterfaceChange> take() = 0;
  // `notify` runs on whichever thread saw a change, each time one is waiting (at once
  // if one already is). It must only hand the news on, never destroy the watch.
  virtual void setNotify(std::function<void()> notify) = 0;
};

class HidPlatform {
 public:
  virtual ~HidPlatform() = default;
  // The interfaces present now. A list that can't be had comes back empty.
  virtual std::unique_ptr<InterfaceList> listInterfaces() = 0;
  virtual OpenResult open(const std::string& path) = 0;
  // Starts watching `device` for removal; null when no watch can be had.
  virtual std::unique_ptr<RemovalWatch> watchRemoval(HidDevice& device) = 0;
  // Starts hearing arrivals and departures. Null where the platform has no such events:
  // the caller then lists the interfaces again from time to time (see ArrivalPoller).
  virtual std::unique_ptr<ArrivalWatch> watchArrivals() { return nullptr; }
};

}  // namespace zentho::device
