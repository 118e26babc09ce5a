// Parsing of configuration text files and the image checksum.
#include "transfer/config_image.h"

#include <cerrno>
#include <cstring>
#include <sstream>

#include "base/file_guard.h"
#include "transfer/hex_digit.h"

namespace zentho {
namespace {

constexpr int kLineReadLength = 128;  // fgets reads at most 127 characters per piece
constexpr unsigned kValuesPerLine = 16;

bool IsHexDigit(char c) { return HexDigitValue(c) >= 0; }

constexpr int kEndOfText = 0x1A;  // Ctrl-Z

// Reads pieces of text as fgets does in Windows text mode: "\r\n" arrives as "\n" and
// Ctrl-Z ends the text. A lone CR stays a CR.
class TextModeReader {
 public:
  explicit TextModeReader(std::istream& in) : in_(in) {}

  // Up to size - 1 characters, through the first line end, NUL-terminated; the count read
  // (a NUL byte in the text makes it longer than strlen), 0 when the text had nothing left.
  unsigned readPiece(char* piece, int size) {
    int length = 0;
    while (length < size - 1) {
      const int c = next();
      if (c == std::char_traits<char>::eof()) break;
      piece[length++] = static_cast<char>(c);
      if (c == '\n') break;
    }
    piece[length] = '\0';
    return static_cast<unsigned>(length);
  }

 private:
  int next() {
    if (ended_) return std::char_traits<char>::eof();
    const int c = in_.get();
    if (c == std::char_traits<char>::eof() || c == kEndOfText) {
      ended_ = true;
      return std::char_traits<char>::eof();
    }
    if (c == '\r' && in_.peek() == '\n') return in_.get();
    return c;
  }

  std::istream& in_;
  bool ended_ = false;
};

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
  for (int digit; (digit = HexDigitValue(*p)) >= 0 && digit < base; ++p) {
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

OsResult<unsigned> BuildConfigImageFromFile(const std::string& path, ConfigImage& image,
                                            ConfigParseReport* report) {
  // Through the file guard, so that a FIFO is never waited on; the parse reads its lines
  // in bounded pieces, so only the file's size is bounded here.
  const OsResult<std::string> bytes = ReadTextInput(path, kMaxTextFileLength);
  if (!bytes) return OsError{bytes.reason()};
  std::istringstream text(*bytes);
  return BuildConfigImage(text, image, report);
}

unsigned BuildConfigImage(std::istream& text, ConfigImage& image, ConfigParseReport* report) {
  image.fill(0xFF);
  unsigned count = 0;
  unsigned physicalLine = 1;
  unsigned columnBase = 0;  // columns of this physical line consumed by earlier pieces
  bool endOfFile = true;
  unsigned stopLine = 0;
  unsigned stopColumn = 0;
  std::string stopText;
  bool blankLine = false;

  TextModeReader reader(text);
  char line[kLineReadLength] = {};
  for (unsigned pieceLength; (pieceLength = reader.readPiece(line, kLineReadLength)) > 0;) {
    // The scan stops at the first NUL, one in the text or the terminating one: it is neither
    // a digit nor a space. Lines and columns count every byte read.
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
      for (unsigned k = p; k < p + 2 && k < pieceLength && line[k] != '\n'; ++k) {
        stopText.push_back(line[k]);
      }
      blankLine = columnBase == 0 && p == 0 &&
                  (line[0] == '\n' || (line[0] == '\r' && (pieceLength == 1 || line[1] == '\n')));
      break;
    }
    if (line[pieceLength - 1] == '\n') {
      ++physicalLine;
      columnBase = 0;
    } else {
      columnBase += pieceLength;
    }
  }
  if (endOfFile) {
    stopLine = physicalLine;
    stopColumn = columnBase + 1;
  }

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
