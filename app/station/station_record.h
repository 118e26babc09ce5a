// The production record: one line per finished session, as JSON or CSV, each line
// written whole and flushed to the disk before the next session is counted.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>

#include "transfer/os_result.h"

namespace zentho::cli {

struct SessionRecord {
  std::chrono::system_clock::time_point start;
  std::chrono::system_clock::time_point end;
  std::string port;     // USB port path; empty when the platform can't tell
  std::string serial;   // the board's serial number string; may be empty
  std::string device;   // the interface's path ("/dev/hidraw3")
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::string mode;     // kvm, bootloader or config
  std::string file;
  std::uint64_t size = 0;
  std::string sha256;   // of the file, 64 hex digits
  std::string result;   // pass, fail or unplugged
  std::string failure;  // the line that tells why it failed; empty for a pass
  double seconds = 0;
  std::string tool;     // "zentho-iap 0.1.0"
};

// "2026-12-09T03:41:07.250Z": UTC with milliseconds.
std::string FormatUtc(std::chrono::system_clock::time_point time);

// One JSON object and LF.
std::string RecordJson(const SessionRecord& record);
// The CSV header and one row, fields quoted where they hold a comma, a quote or a line
// end; rows end in CR LF.
std::string RecordCsvHeader();
std::string RecordCsv(const SessionRecord& record);

// UTC broken down from `time` (gmtime_r or gmtime_s, as the platform has it).
void ToUtc(std::time_t time, std::tm& utc);

// A record file opened for appending. Each line goes out in one write(2) followed by
// fsync, and a short write is cut off again, so a crash or a power cut leaves every
// line either complete or absent.
class RecordFile {
 public:
  RecordFile() = default;
  ~RecordFile();
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // Opens (creating it when missing) `path`; a new or empty file first gets `header`
  // when there is one.
  OsResult<void> open(const std::string& path, const std::string& header);
  bool isOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  OsResult<void> append(const std::string& line);

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace zentho::cli
