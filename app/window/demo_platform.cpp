// The demo's simulated bus.
#include "app/window/demo_platform.h"

#include "device/simulated/simulated_bus.h"
#include "device/simulated/simulated_device.h"

namespace zentho::window {

std::unique_ptr<device::HidPlatform> MakeDemoPlatform(Clock& clock) {
  sim::SimulatedDeviceOptions options;
  options.timing.perPacket = std::chrono::milliseconds{1};
  // A demo may download a large image many times: keep neither images nor a trace.
  options.recordTrace = false;
  options.keepImages = false;
  auto bus = std::make_unique<sim::SimulatedBus>();
  bus->plug(std::make_shared<sim::SimulatedDevice>(options, clock));
  return bus;
}

}  // namespace zentho::window
