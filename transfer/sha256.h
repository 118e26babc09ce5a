// SHA-256 of a byte stream, fed in pieces, for checking that what reaches a board is the
// file the operator chose.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stop_token>
#include <string>

#include "base/os_result.h"

namespace zentho {

using Sha256Digest = std::array<std::uint8_t, 32>;

class Sha256 {
 public:
  Sha256();
  void update(std::span<const std::uint8_t> data);
  // The digest of everything fed so far; the hash can't be fed afterwards.
  Sha256Digest finish();

 private:
  void compress(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;  // bytes fed
};

// 64 lowercase hex digits.
std::string ToHex(const Sha256Digest& digest);

struct FileDigest {
  Sha256Digest digest{};
  std::uint64_t size = 0;
};
// The digest and length of the file at `path`, or why it can't be read. Read in chunks
// with `stop` looked at between them, so that a large image (or one that never ends)
// gives way to Ctrl-C: the reason is then kHashInterrupted.
OsResult<FileDigest> HashFile(const std::string& path, std::stop_token stop = {});
inline constexpr const char* kHashInterrupted = "interrupted by the user";

}  // namespace zentho
