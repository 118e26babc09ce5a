// The simulated bus behind --simulate.
#include "device/simulated/simulated_platform.h"

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
    bus->plug(std::make_shared<SimulatedDevice>(options, clock));
  }
  return bus;
}

}  // namespace zentho::sim
