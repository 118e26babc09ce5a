// The 256-byte software configuration image, built from a text file of hex values.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <span>
#include <string>

#include "base/os_result.h"

namespace zentho {

inline constexpr std::size_t kConfigImageLength = 256;
using ConfigImage = std::array<std::uint8_t, kConfigImageLength>;

// Where and why a parse stopped, for tools that explain a file to its author.
struct ConfigParseReport {
  unsigned count = 0;        // values read (stored or not)
  unsigned stopLine = 0;     // 1-based line (piece) where the parse ended
  unsigned stopColumn = 0;   // 1-based column where a value was expected
  bool endOfFile = false;    // true when the file ran out rather than a bad value
  // Up to two characters found where a value was expected (the line end not included),
  // and whether that piece held nothing but a line end: so that a tool can say why
  // without reading the file again.
  std::string stopText;
  bool blankLine = false;
};

// Fills the image with 0xFF and parses `text` into it. With exactly 256 values read the
// checksum of bytes 2-255 is stored in bytes 0-1. Returns the count. The text is read as
// Windows text mode reads it, on every platform, so that a file gives the same image
// everywhere: CR LF is one line end (the CR takes none of a piece's 127 characters) and a
// Ctrl-Z byte (0x1A) ends the text. `text` should be opened in binary mode.
unsigned BuildConfigImage(std::istream& text, ConfigImage& image,
                          ConfigParseReport* report = nullptr);

// The same over the file at `path`; fails with the OS's reason when it can't be opened.
OsResult<unsigned> BuildConfigImageFromFile(const std::string& path, ConfigImage& image,
                                            ConfigParseReport* report = nullptr);

// One's-complement sum of little-endian 16-bit words, complemented (an odd last byte
// is not summed).
std::uint16_t ConfigChecksum(std::span<const std::uint8_t> bytes);

// Reads an unsigned number in `base` (0 picks 8 or 10 from the text; a lowercase "0x"
// followed by a hex digit always means 16). Wraps silently past 32 bits.
std::uint32_t ParseNumber(const char* text, int base, const char** end = nullptr);

}  // namespace zentho
