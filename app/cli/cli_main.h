// The whole command line: parse, run the chosen verb, turn its outcome into the exit code.
#pragma once

#include "app/cli/environment.h"
#include "app/cli/exit_codes.h"

namespace zentho::cli {

// The exit code documented for each outcome; the only place that decides it.
int ExitCode(Outcome outcome);

int RunCli(int argc, const char* const* argv, Environment& environment);

}  // namespace zentho::cli
