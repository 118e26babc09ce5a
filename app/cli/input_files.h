// File names made safe to print on a terminal.
#pragma once

#include <string>
#include <string_view>

namespace zentho::cli {

// `text` with control characters and bytes that are not well-formed UTF-8 written as C
// escapes ("\t", "\r", "\n", "\x1b"), so that a file name cannot move the cursor or
// hide itself on a terminal. Printable ASCII and UTF-8 letters stay as they are.
std::string Printable(std::string_view text);

}  // namespace zentho::cli
