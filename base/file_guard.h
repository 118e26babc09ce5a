// The one door for files: what a path is, whether an output would land on an input or
// on another output, and opening either kind without ever blocking on a FIFO.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <streambuf>
#include <string>
#include <vector>

#include "base/os_result.h"

namespace zentho {

// A file a front end was given, with what it is for ("the firmware file", "--log",
// "the chosen file"), so that a refusal can say which two collide.
struct NamedFile {
  std::string role;
  std::string path;
};

// Why `path` can't be an input, before anything is read: "is a directory", "is not a
// regular file" (a FIFO, a socket, a device such as /dev/zero: reading one could block
// or never end), or the system's words. Empty when it can be read.
std::string InputProblem(const std::string& path);

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens an input for reading ("rb"). Refused as InputProblem says; the file opened is
// the one that was looked at (a FIFO put in its place meanwhile is refused, never waited
// on).
OsResult<FileHandle> OpenInput(const std::string& path);

// The length of an open file, from the file itself rather than its path.
OsResult<std::uint64_t> FileLength(std::FILE* file);

// A std::streambuf over an input OpenInput opened, for readers that take a stream
// (report traces, read line by line with their own bounds).
class InputStreamBuffer : public std::streambuf {
 public:
  explicit InputStreamBuffer(FileHandle file) : file_(std::move(file)) {}
  bool failed() const { return std::ferror(file_.get()) != 0; }

 protected:
  int_type underflow() override;

 private:
  FileHandle file_;
  char buffer_[16384];
};

// Text inputs (plans, traces, configuration text) are read whole, within these bounds,
// so that a file of one endless line can't take the memory.
inline constexpr std::size_t kMaxTextLineLength = 65536;
inline constexpr std::size_t kMaxTextFileLength = 64u << 20;

// The whole text of an input, or why not: as OpenInput, or "line N is longer than M
// bytes", or "is larger than M bytes".
OsResult<std::string> ReadTextInput(const std::string& path,
                                    std::size_t maxLineLength = kMaxTextLineLength);

// What kinds of file an output may be besides a regular one.
enum class OutputKind {
  FileOrDevice,  // a regular file, or a character device (/dev/null), shared freely
  RegularFile,   // only a regular file (records that are fsynced line by line)
};

// Why `path` can't be an output: "is a directory", "is not a regular file" (a FIFO, a
// socket, a block device; a character device too for OutputKind::RegularFile). Empty
// when it can be written or made.
std::string OutputProblem(const std::string& path, OutputKind kind = OutputKind::FileOrDevice);

// The refusal when an output is the same file as an input or as another output: the
// same device and inode when both exist (through symbolic and hard links), the same
// path with every link resolved when one does not exist yet. Character devices
// (/dev/null) may be shared: nothing on them can be lost.
std::optional<std::string> FindFileClash(const std::vector<NamedFile>& inputs,
                                         const std::vector<NamedFile>& outputs);

// Opens `path` for appending ("ab"), creating it when missing, without blocking: a
// FIFO or anything else OutputProblem refuses is refused, also when it takes the
// path's place meanwhile. Nothing is emptied.
OsResult<FileHandle> OpenOutput(const std::string& path, OutputKind kind = OutputKind::FileOrDevice);

// Opens every path as OpenOutput does, in the order of `paths`, and only when all are
// open empties the regular files among them, so a second output that cannot be made
// leaves the first one untouched. A failure says "PATH: reason" for the path that failed,
// and removes the files this call made.
OsResult<std::vector<FileHandle>> CreateOutputFiles(const std::vector<std::string>& paths);

// One output made as CreateOutputFiles makes them, failing with the bare reason.
OsResult<FileHandle> CreateOutput(const std::string& path);

// Makes `path` as CreateOutput does and writes `text` into it whole: a job, a report page.
OsResult<void> WriteOutput(const std::string& path, const std::string& text);

}  // namespace zentho
