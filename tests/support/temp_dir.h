// A private temporary folder for a test's files, removed at the end of the test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace zentho::testing {

class TempDir {
 public:
  // create_directory fails on a name that exists, so the folder is the test's alone.
  TempDir() {
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const std::filesystem::path candidate = base / ("zentho-test-" + std::to_string(random()));
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) path_ = candidate;
    }
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string file(const std::string& name) const { return (path_ / name).string(); }

  std::string write(const std::string& name, const std::string& bytes) const {
    const std::string target = file(name);
    std::ofstream(target, std::ios::binary) << bytes;
    return target;
  }
  std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    return write(name, std::string(bytes.begin(), bytes.end()));
  }

 private:
  std::filesystem::path path_;
};

// Bytes that differ from block to block and within a block (i * 7 + i / 251).
inline std::vector<std::uint8_t> PatternBytes(std::size_t length) {
  std::vector<std::uint8_t> bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return bytes;
}

// The whole of a file, as bytes; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace zentho::testing
