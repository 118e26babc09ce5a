// zentho-iap: scripted and production flashing of Orvane USB HID devices.
#include "app/cli/cli_main.h"
#include "app/cli/console_platform.h"
#include "transfer/clock.h"

int main(int argc, char** argv) {
  zentho::SystemClock clock;
  zentho::cli::Environment environment = zentho::cli::SystemEnvironment(clock);
  environment.stop = zentho::cli::StopOnInterrupt();
  zentho::cli::IgnoreBrokenPipes();
  return zentho::cli::RunCli(argc, argv, environment);
}
