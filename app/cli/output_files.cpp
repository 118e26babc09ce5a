// Clash checks and creation of output files.
#include "app/cli/output_files.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "transfer/os_result.h"

namespace zentho::cli {
namespace {

namespace fs = std::filesystem;

// Only files whose contents a second writer could destroy are guarded.
bool Guarded(const fs::file_status& status) {
  return status.type() == fs::file_type::regular || status.type() == fs::file_type::not_found;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  const fs::file_status first = fs::status(a, error);
  const fs::file_status second = fs::status(b, error);
  if (!Guarded(first) || !Guarded(second)) return false;
  const bool firstExists = fs::exists(first);
  if (firstExists != fs::exists(second)) return false;
  if (firstExists) return fs::equivalent(a, b, error) && !error;
  const fs::path left = fs::weakly_canonical(fs::absolute(a, error), error);
  const fs::path right = fs::weakly_canonical(fs::absolute(b, error), error);
  return left == right;
}

std::string Clash(const NamedFile& output, const NamedFile& other) {
  return "refusing to write " + output.role + " " + output.path + ": it is the same file as " +
         other.role + " " + other.path;
}

}  // namespace

std::optional<std::string> FindFileClash(const std::vector<NamedFile>& inputs,
                                         const std::vector<NamedFile>& outputs) {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    for (const NamedFile& input : inputs) {
      if (!input.path.empty() && SameFile(outputs[i].path, input.path)) {
        return Clash(outputs[i], input);
      }
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (SameFile(outputs[i].path, outputs[j].path)) return Clash(outputs[i], outputs[j]);
    }
  }
  return std::nullopt;
}

OsResult<std::vector<OutputFile>> CreateOutputFiles(const std::vector<std::string>& paths) {
  std::vector<OutputFile> opened;
  std::vector<std::string> made;  // files this call brought into being
  for (const std::string& path : paths) {
    std::error_code error;
    const bool existed = fs::exists(fs::symlink_status(path, error));
    // Append mode creates without emptying; every write then lands at the end, which
    // after the emptying below is the start.
    OutputFile file(std::fopen(path.c_str(), "ab"));
    if (!file) {
      OsError failure{path + ": " + ErrnoText(errno)};
      opened.clear();
      for (const std::string& m : made) fs::remove(m, error);
      return failure;
    }
    if (!existed) made.push_back(path);
    opened.push_back(std::move(file));
  }
  for (const std::string& path : paths) {
    std::error_code error;
    if (fs::is_regular_file(path, error) && fs::file_size(path, error) > 0) {
      fs::resize_file(path, 0, error);
      if (error) return OsError{path + ": " + error.message()};
    }
  }
  return opened;
}

bool WriteOutput(std::FILE* file, std::string_view bytes, std::optional<std::string>& failure) {
  if (failure) return false;
  errno = 0;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (written && std::fflush(file) == 0) return true;
  failure = errno != 0 ? ErrnoText(errno) : "write failed";
  return false;
}

}  // namespace zentho::cli
