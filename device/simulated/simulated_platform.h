// The one factory behind both front ends' --simulate: a bus of healthy simulated devices.
#pragma once

#include <memory>

#include "device/hid_platform.h"
#include "device/simulated/simulated_device.h"
#include "transfer/clock.h"

namespace zentho::sim {

// Each SET_REPORT costs 17 packets and each GET_REPORT one, at 1 ms a packet: a
// full-speed device moving one packet per frame.
TimingModel FullSpeedTiming();

// A bus with `count` healthy devices (IDs 4A5D:7310, paths sim:0, sim:1, ..., in ports
// 1-1, 1-2, ... with serial numbers SIM0001, SIM0002, ...), whose bus time is charged to `clock` at FullSpeedTiming(). The devices keep neither images nor a
// trace, so that many downloads of a large image cost no memory.
std::unique_ptr<device::HidPlatform> MakeSimulatedPlatform(unsigned count, Clock& clock);

}  // namespace zentho::sim
