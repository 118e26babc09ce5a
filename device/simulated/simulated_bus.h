// A simulated HID bus: the HID platform seam over a set of simulated devices, with
// interfaces that can't be opened, failing list entries and counted opens and closes.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/hid_platform.h"
#include "device/simulated/simulated_device.h"

namespace zentho::sim {

inline constexpr unsigned kEveryOpen = ~0u;

struct BusInterfaceOptions {
  bool openable = true;
  std::string openError = "Permission denied";  // the reason given when not openable
  // So many opens (the first ones) give a handle whose ids() fails with idsError;
  // kEveryOpen: all of them.
  unsigned idsUnreadableOpens = 0;
  std::string idsError = "Input/output error";
  bool listsIds = true;                         // the list carries the IDs, as sysfs does
  // Why it takes no downloads though it carries the IDs (the keyboard node of a composite
  // board), as HidDevice::unsuitable() says it; nothing for a download interface.
  std::optional<std::string> notForDownload = std::nullopt;
  std::string portPath = {};                    // as the list gives it; empty: unknown
  std::string serialNumber = {};
};

struct BusCounters {
  unsigned listsTaken = 0;
  unsigned listsReleased = 0;
  unsigned opens = 0;   // successful opens
  unsigned closes = 0;
  unsigned watches = 0;
};

class SimulatedBus final : public device::HidPlatform {
 public:
  SimulatedBus();
  ~SimulatedBus() override;

  // Plugs an interface in at the end of the platform's order; returns its path.
  std::string plug(std::shared_ptr<SimulatedDevice> device, BusInterfaceOptions options = {});
  // Unplugs it: later lists leave it out, its device fails every exchange, and a
  // removal watch on it hears of it (on this thread).
  void unplug(const std::string& path);
  // Arrival watches hear each plug and unplug, on the plugging thread. Off, the bus
  // gives no arrival watch, like a platform without hot-plug events.
  void setArrivalEvents(bool on);

  // Entry `index` of every list taken from now on fails to give its path, or runs out
  // of memory while reading it.
  void failDetailReadAt(std::size_t index);
  void failAllocationAt(std::size_t index);

  // Runs before every report exchange on an open interface, on the exchanging thread.
  void onExchange(std::function<void(const std::string& path)> hook);

  BusCounters counters() const;
  // Paths of every open attempt, in order, whether it succeeded or not.
  std::vector<std::string> openAttempts() const;

  std::unique_ptr<device::InterfaceList> listInterfaces() override;
  device::OpenResult open(const std::string& path) override;
  std::unique_ptr<device::RemovalWatch> watchRemoval(device::HidDevice& device) override;
  std::unique_ptr<device::ArrivalWatch> watchArrivals() override;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace zentho::sim
