// What differs between systems for the command line: terminals, and what to do about an
// interface that cannot be opened. The build picks the implementation.
#pragma once

#include <cstddef>
#include <cstdio>
#include <stop_token>
#include <string_view>

namespace zentho::cli {

bool IsTerminal(std::FILE* stream);

// A terminal that acts on the escape sequences the progress bar and the live display use
// (on Windows, a console switched to them here: one too old for them is not counted).
bool IsTerminalWithEscapes(std::FILE* stream);

// How many columns the terminal `stream` shows now; 0 when it is not one or won't say.
std::size_t TerminalColumns(std::FILE* stream);

// Appended to the line naming a matching interface that cannot be opened; may be empty.
std::string_view OpenFailureHint();

// From now on the first Ctrl-C (or termination request) asks for a stop through the
// returned token, so that running sessions end within one report exchange and still
// report; a second one ends the process at once. Call before starting any thread.
std::stop_token StopOnInterrupt();

// A reader that goes away (`zentho-iap ... | head`) must not kill a flash in progress:
// writes to a closed pipe fail instead, and the run reports it at the end.
void IgnoreBrokenPipes();

// After StopOnInterrupt(): from now on the second Ctrl-C asks for the returned stop
// instead of ending the process, and a third one ends it.
std::stop_token StopOnSecondInterrupt();

}  // namespace zentho::cli
