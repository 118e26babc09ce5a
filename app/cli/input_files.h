// Input files of a verb: what keeps one from being read, and file names made safe to
// print on a terminal.
#pragma once

#include <string>
#include <string_view>

namespace zentho::cli {

// Empty when `path` is a regular file that can be opened for reading; otherwise the
// reason: "is a directory", "is not a regular file" (a FIFO, a device such as
// /dev/zero: reading one could block or never end), or the system's words.
std::string UnreadableReason(const std::string& path);

// `text` with control characters and bytes that are not well-formed UTF-8 written as C
// escapes ("\t", "\r", "\n", "\x1b"), so that a file name cannot move the cursor or
// hide itself on a terminal. Printable ASCII and UTF-8 letters stay as they are.
std::string Printable(std::string_view text);

}  // namespace zentho::cli
