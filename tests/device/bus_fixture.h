// A simulated bus with devices on a manual clock, and a log that collects the link's messages.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/find_device.h"
#include "device/simulated/simulated_bus.h"
#include "device/simulated/simulated_device.h"
#include "transfer/clock.h"

namespace zentho::testing {

class BusFixture {
 public:
  std::shared_ptr<sim::SimulatedDevice> makeDevice(std::uint16_t vendorId = 0x4A5D,
                                                   std::uint16_t productId = 0x7310) {
    sim::SimulatedDeviceOptions options;
    options.vendorId = vendorId;
    options.productId = productId;
    return std::make_shared<sim::SimulatedDevice>(options, clock);
  }

  std::string plug(std::uint16_t vendorId, std::uint16_t productId,
                   sim::BusInterfaceOptions options = {}) {
    return bus.plug(makeDevice(vendorId, productId), std::move(options));
  }

  std::shared_ptr<device::DeviceLink> find(std::uint32_t vendorId = 0x4A5D,
                                           std::uint32_t productId = 0x7310) {
    return device::FindDevice(
        bus, vendorId, productId, [this](std::string_view text) { log += text; },
        [this](std::string_view line) { trace.emplace_back(line); });
  }

  ManualClock clock;
  sim::SimulatedBus bus;
  std::string log;
  std::vector<std::string> trace;
};

}  // namespace zentho::testing
