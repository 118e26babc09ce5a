// The file guard's portable half: kinds of outputs, clashes, bounded text, outputs made
// together.
#include "base/file_guard.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "base/native_path.h"

namespace zentho {
namespace {

namespace fs = std::filesystem;

constexpr const char* kIsDirectory = "is a directory";
constexpr const char* kNotRegular = "is not a regular file";

// Only files whose contents a second writer could destroy are guarded.
bool Guarded(const fs::file_status& status) {
  return status.type() == fs::file_type::regular || status.type() == fs::file_type::not_found;
}

// The path a file not made yet would have: every link on the way followed, also a
// dangling one (writing through it makes its target).
fs::path WhereItWouldBe(const std::string& path) {
  std::error_code error;
  fs::path at = fs::absolute(FsPath(path), error);
  for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(at, error)); ++hops) {
    const fs::path target = fs::read_symlink(at, error);
    if (error) break;
    at = target.is_absolute() ? target : at.parent_path() / target;
  }
  return fs::weakly_canonical(at, error).lexically_normal();
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  const fs::file_status first = fs::status(FsPath(a), error);
  const fs::file_status second = fs::status(FsPath(b), error);
  if (!Guarded(first) || !Guarded(second)) return false;
  const bool firstExists = fs::exists(first);
  if (firstExists != fs::exists(second)) return false;
  if (firstExists) return fs::equivalent(FsPath(a), FsPath(b), error) && !error;
  return WhereItWouldBe(a) == WhereItWouldBe(b);
}

// A regular file emptied; anything else (/dev/null) left as it is.
OsResult<void> Empty(const std::string& bytes) {
  std::error_code error;
  const fs::path path = FsPath(bytes);
  if (fs::is_regular_file(path, error) && fs::file_size(path, error) > 0) {
    fs::resize_file(path, 0, error);
    if (error) return OsError{error.message()};
  }
  return {};
}

std::string Clash(const NamedFile& output, const NamedFile& other) {
  return "refusing to write " + output.role + " " + output.path + ": it is the same file as " +
         other.role + " " + other.path;
}

}  // namespace

std::string InputProblem(const std::string& path) {
  const OsResult<FileHandle> file = OpenInput(path);
  return file ? std::string() : file.reason();
}

std::string OutputProblem(const std::string& path, OutputKind kind) {
  std::error_code error;
  const fs::file_status status = fs::status(FsPath(path), error);
  switch (status.type()) {
    case fs::file_type::not_found:
    case fs::file_type::none:  // not looked at (no access): opening it says why
    case fs::file_type::regular:
      return {};
    case fs::file_type::directory:
      return kIsDirectory;
    case fs::file_type::character:
      return kind == OutputKind::FileOrDevice ? std::string() : kNotRegular;
    default:
      return kNotRegular;
  }
}

InputStreamBuffer::int_type InputStreamBuffer::underflow() {
  const std::size_t n = std::fread(buffer_, 1, sizeof buffer_, file_.get());
  if (n == 0) return traits_type::eof();
  setg(buffer_, buffer_, buffer_ + n);
  return traits_type::to_int_type(buffer_[0]);
}

OsResult<std::string> ReadTextInput(const std::string& path, std::size_t maxLineLength) {
  OsResult<FileHandle> file = OpenInput(path);
  if (!file) return OsError{file.reason()};
  std::string text;
  std::size_t lineLength = 0;
  std::size_t lineNumber = 1;
  char buffer[16384];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file->get())) > 0;) {
    if (text.size() + n > kMaxTextFileLength) {
      return OsError{"is larger than " + std::to_string(kMaxTextFileLength) + " bytes"};
    }
    for (std::size_t i = 0; i < n; ++i) {
      if (buffer[i] == '\n') {
        lineLength = 0;
        ++lineNumber;
      } else if (++lineLength > maxLineLength) {
        return OsError{"line " + std::to_string(lineNumber) + " is longer than " +
                       std::to_string(maxLineLength) + " bytes"};
      }
    }
    text.append(buffer, n);
  }
  if (std::ferror(file->get())) return LastOsError();
  return text;
}

std::optional<std::string> FindFileClash(const std::vector<NamedFile>& inputs,
                                         const std::vector<NamedFile>& outputs) {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    if (outputs[i].path.empty()) continue;
    for (const NamedFile& input : inputs) {
      if (!input.path.empty() && SameFile(outputs[i].path, input.path)) {
        return Clash(outputs[i], input);
      }
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (!outputs[j].path.empty() && SameFile(outputs[i].path, outputs[j].path)) {
        return Clash(outputs[i], outputs[j]);
      }
    }
  }
  return std::nullopt;
}

OsResult<std::vector<FileHandle>> CreateOutputFiles(const std::vector<std::string>& paths) {
  std::vector<FileHandle> opened;
  std::vector<std::string> made;  // files this call brought into being
  for (const std::string& path : paths) {
    std::error_code error;
    const bool existed = fs::exists(fs::symlink_status(FsPath(path), error));
    OsResult<FileHandle> file = OpenOutput(path);
    if (!file) {
      opened.clear();
      for (const std::string& m : made) fs::remove(FsPath(m), error);
      return OsError{path + ": " + file.reason()};
    }
    if (!existed) made.push_back(path);
    opened.push_back(std::move(file.value()));
  }
  // Append mode wrote nothing yet; every write lands at the end, which after this
  // emptying is the start.
  for (const std::string& path : paths) {
    if (const OsResult<void> emptied = Empty(path); !emptied) {
      return OsError{path + ": " + emptied.reason()};
    }
  }
  return opened;
}

OsResult<FileHandle> CreateOutput(const std::string& path) {
  OsResult<FileHandle> file = OpenOutput(path);
  if (!file) return file;
  if (const OsResult<void> emptied = Empty(path); !emptied) return OsError{emptied.reason()};
  return file;
}

OsResult<void> WriteOutput(const std::string& path, const std::string& text) {
  OsResult<FileHandle> created = CreateOutput(path);
  if (!created) return OsError{created.reason()};
  std::FILE* file = created->release();
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const int writeError = errno;
  // A full disk may show only when the buffer is flushed at the close.
  const bool closed = std::fclose(file) == 0;
  if (!written) return OsError{ErrnoText(writeError)};
  if (!closed) return LastOsError();
  return {};
}

}  // namespace zentho
