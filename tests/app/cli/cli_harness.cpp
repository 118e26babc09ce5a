// The in-process runner of the CLI tests.
#include "tests/app/cli/cli_harness.h"

#include <cstdio>

#include "app/cli/cli_main.h"

namespace zentho::testing {
namespace {

std::string ReadAll(std::FILE* file) {
  std::string text;
  std::rewind(file);
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
  std::fclose(file);
  return text;
}

}  // namespace

CliHarness::CliHarness() {
  systemPlatform = [this] { return systemBus; };
  simulatedPlatform = [this](unsigned count) {
    auto bus = std::make_shared<sim::SimulatedBus>();
    for (unsigned i = 0; i < count; ++i) simulated.push_back(plug(*bus));
    return bus;
  };
}

std::shared_ptr<sim::SimulatedDevice> CliHarness::plug(sim::SimulatedBus& bus, sim::FaultPlan faults,
                                                       sim::BusInterfaceOptions options,
                                                       sim::TimingModel timing) {
  sim::SimulatedDeviceOptions deviceOptions;
  deviceOptions.faults = std::move(faults);
  deviceOptions.timing = timing;
  auto device = std::make_shared<sim::SimulatedDevice>(deviceOptions, clock);
  bus.plug(device, std::move(options));
  return device;
}

CliResult CliHarness::run(std::vector<std::string> args) {
  args.insert(args.begin(), "zentho-iap");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());

  cli::Environment environment;
  environment.out = out != nullptr ? out : std::tmpfile();
  environment.err = std::tmpfile();
  environment.clock = &clock;
  environment.systemPlatform = systemPlatform;
  environment.simulatedPlatform = simulatedPlatform;
  environment.stop = stop.get_token();

  CliResult result;
  result.code = cli::RunCli(static_cast<int>(argv.size()), argv.data(), environment);
  if (out == nullptr) result.out = ReadAll(environment.out);
  result.err = ReadAll(environment.err);
  return result;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace zentho::testing
