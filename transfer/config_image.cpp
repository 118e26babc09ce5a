// Parsing of configuration text files and the image checksum.
#include "transfer/config_image.h"

#include <cstring>

namespace zentho {
namespace {

constexpr int kLineReadLength = 128;  // fgets reads at most 127 characters per piece
constexpr unsigned kValuesPerLine = 16;

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::uint32_t ParseNumber(const char* text, int base, const char** end) {
  const char* p = text;
  if (p[0] == '0') {
    if (p[1] == 'x' && IsHexDigit(p[2])) {
      base = 16;
      p += 2;
    } else {
      p += 1;
      if (base == 0) base = 8;
    }
  } else if (base == 0) {
    base = 10;
  }
  std::uint32_t result = 0;
  for (int digit; (digit = HexValue(*p)) >= 0 && digit < base; ++p) {
    result = result * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
  }
  if (end != nullptr) *end = p;
  return result;
}

std::uint16_t ConfigChecksum(std::span<const std::uint8_t> bytes) {
  std::uint32_t total = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    total += static_cast<std::uint32_t>(bytes[i] | (bytes[i + 1] << 8));
  }
  total = (total >> 16) + (total & 0xFFFF);
  total += total >> 16;
  return static_cast<std::uint16_t>(~total & 0xFFFF);
}

unsigned BuildConfigImage(std::FILE* file, ConfigImage& image, ConfigParseReport* report) {
  image.fill(0xFF);
  unsigned count = 0;
  unsigned physicalLine = 1;
  unsigned columnBase = 0;  // columns of this physical line consumed by earlier pieces
  bool endOfFile = true;
  unsigned stopLine = 0;
  unsigned stopColumn = 0;
  std::string stopText;
  bool blankLine = false;

  char line[kLineReadLength] = {};
  while (std::fgets(line, kLineReadLength, file) != nullptr) {
    // The scan never passes the terminating NUL: it is neither a digit nor a space.
    unsigned p = 0;
    bool parseOver = false;
    for (unsigned j = 0;; ++j) {
      if (!IsHexDigit(line[p]) || !IsHexDigit(line[p + 1])) {
        parseOver = true;
        break;
      }
      const char digits[3] = {line[p], line[p + 1], '\0'};
      if (count < kConfigImageLength) {
        image[count] = static_cast<std::uint8_t>(ParseNumber(digits, 16) & 0xFF);
      }
      ++count;
      if (j == kValuesPerLine - 1 || line[p + 2] != ' ') break;
      p += 3;
    }
    if (parseOver) {
      endOfFile = false;
      stopLine = physicalLine;
      stopColumn = columnBase + p + 1;
      for (unsigned k = p; k < p + 2 && line[k] != '\0' && line[k] != '\n'; ++k) {
        stopText.push_back(line[k]);
      }
      blankLine = columnBase == 0 && p == 0 &&
                  (line[0] == '\n' || line[0] == '\0' ||
                   (line[0] == '\r' && (line[1] == '\n' || line[1] == '\0')));
      break;
    }
    const std::size_t pieceLength = std::strlen(line);
    if (pieceLength > 0 && line[pieceLength - 1] == '\n') {
      ++physicalLine;
      columnBase = 0;
    } else {
      columnBase += static_cast<unsigned>(pieceLength);
    }
  }
  if (endOfFile) {
    stopLine = physicalLine;
    stopColumn = columnBase + 1;
  }
  std::fclose(file);

  if (count == kConfigImageLength) {
    const std::uint16_t checksum = ConfigChecksum({image.data() + 2, kConfigImageLength - 2});
    image[0] = static_cast<std::uint8_t>(checksum & 0xFF);
    image[1] = static_cast<std::uint8_t>(checksum >> 8);
  }
  if (report != nullptr) {
    *report = {count, stopLine, stopColumn, endOfFile, std::move(stopText), blankLine};
  }
  return count;
}

}  // namespace zentho
