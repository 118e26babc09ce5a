// The 256-byte software configuration image, built from a text file of hex values.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

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

// Fills the image with 0xFF, parses `file` into it and closes the file. With exactly
// 256 values read the checksum of bytes 2-255 is stored in bytes 0-1. Returns the count.
unsigned BuildConfigImage(std::FILE* file, ConfigImage& image, ConfigParseReport* report = nullptr);

// One's-complement sum of little-endian 16-bit words, complemented (an odd last byte
// is not summed).
std::uint16_t ConfigChecksum(std::span<const std::uint8_t> bytes);

// Reads an unsigned number in `base` (0 picks 8 or 10 from the text; a lowercase "0x"
// followed by a hex digit always means 16). Wraps silently past 32 bits.
std::uint32_t ParseNumber(const char* text, int base, const char** end = nullptr);

}  // namespace zentho
