// The environment of a real run.
#include "app/cli/environment.h"

#include "app/cli/console_platform.h"
#include "app/cli/simulation.h"
#include "device/simulated/simulated_platform.h"
#include "device/system_hid_platform.h"

namespace zentho::cli {

Environment SystemEnvironment(Clock& clock) {
  Environment environment;
  environment.out = stdout;
  environment.err = stderr;
  environment.errIsTerminal = IsTerminalWithEscapes(stderr);
  environment.outIsTerminal = IsTerminalWithEscapes(stdout);
  environment.inIsTerminal = IsTerminal(stdin);
  environment.outColumns = [] { return TerminalColumns(stdout); };
  environment.stopOnSecondInterrupt = [] { return StopOnSecondInterrupt(); };
  environment.clock = &clock;
  environment.systemPlatform = [] {
    return std::shared_ptr<device::HidPlatform>(device::MakeSystemHidPlatform());
  };
  environment.simulatedPlatform = [&clock](unsigned count) {
    return std::shared_ptr<device::HidPlatform>(sim::MakeSimulatedPlatform(count, clock));
  };
  return environment;
}

}  // namespace zentho::cli
