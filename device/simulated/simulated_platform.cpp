// The simulated bus behind --simulate.
#include "device/simulated/simulated_platform.h"

#include <cstdio>
#include <string>

#include "device/simulated/simulated_bus.h"

namespace zentho::sim {

TimingModel FullSpeedTiming() {
  TimingModel timing;
  timing.perPacket = std::chrono::milliseconds{1};
  return timing;
}

std::unique_ptr<device::HidPlatform> MakeSimulatedPlatform(unsigned count, Clock& clock) {
  auto bus = std::make_unique<SimulatedBus>();
  for (unsigned i = 0; i < count; ++i) {
    SimulatedDeviceOptions options;
    options.timing = FullSpeedTiming();
    options.recordTrace = false;  // --trace records at the channel, for every kind of device
    options.keepImages = false;
    // Each board in a port of its own, as on a hub, with a serial number to tell them by.
    BusInterfaceOptions where;
    where.portPath = "1-" + std::to_string(i + 1);
    char serial[16];
    std::snprintf(serial, sizeof serial, "SIM%04u", i + 1);
    where.serialNumber = serial;
    bus->plug(std::make_shared<SimulatedDevice>(options, clock), std::move(where));
  }
  return bus;
}

}  // namespace zentho::sim
