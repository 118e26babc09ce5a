// Output files of a verb: refused when they would overwrite an input or each other,
// and all created before any is emptied.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transfer/os_result.h"

namespace zentho::cli {

// A file a verb names on its command line, with what it is for ("the firmware file",
// "--log", ...), so that a refusal can say which two collide.
struct NamedFile {
  std::string role;
  std::string path;
};

// The refusal when an output is the same file as an input or as another output: the
// same device and inode when both exist, the same absolute path when one does not exist
// yet. Character devices and pipes (/dev/null, /dev/stdout) may be shared: nothing on
// them can be lost.
std::optional<std::string> FindFileClash(const std::vector<NamedFile>& inputs,
                                         const std::vector<NamedFile>& outputs);

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using OutputFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens every path for writing, the files in the order of `paths`. Each is created (or
// opened as it is) first, and only when all are open are the regular files among them
// emptied, so a second output that cannot be made leaves the first one untouched. A
// failure says "PATH: reason" for the path that failed.
OsResult<std::vector<OutputFile>> CreateOutputFiles(const std::vector<std::string>& paths);

// Writes all of `bytes` and flushes; on failure keeps the first reason in `failure`
// (later writes are skipped, so a full disk is reported once and not retried per line).
bool WriteOutput(std::FILE* file, std::string_view bytes, std::optional<std::string>& failure);

}  // namespace zentho::cli
