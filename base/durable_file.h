// Files written so that a crash or a power cut leaves whole content behind: a small file
// replaced (the old or the new content, never a mix) and a log appended line by line.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "base/os_result.h"

namespace zentho {

// Writes `bytes` to a new, uniquely named file in `target`'s folder (created only by
// this call, never through a link), flushes it to the disk, renames it over `target`
// and flushes the folder. Fails with the step and the system's reason ("rename: ..."),
// having removed the new file; `target` is then as it was.
OsResult<void> ReplaceFileDurably(const std::filesystem::path& target, std::string_view bytes);

// A file opened for appending. Each line goes out in one write followed by an fsync, and
// a short write is cut off again, so a crash or a power cut leaves every line either
// complete or absent.
class DurableAppendFile {
 public:
  DurableAppendFile() = default;
  ~DurableAppendFile();
  DurableAppendFile(const DurableAppendFile&) = delete;
  DurableAppendFile& operator=(const DurableAppendFile&) = delete;

  // Opens (creating it when missing) `path`, which must be a regular file; a new or
  // empty file first gets `header` when there is one. When the file does not end in a
  // line end, the first line appended starts with one (the line's own, LF or CR LF), so
  // it never runs on from a line cut short.
  OsResult<void> open(const std::string& path, const std::string& header);
  bool isOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  OsResult<void> append(const std::string& line);

 private:
  int fd_ = -1;
  std::string path_;
  bool needsLineBreak_ = false;
};

// "\r\n" for a line that ends so, otherwise "\n".
std::string LineEndOf(std::string_view line);

}  // namespace zentho
