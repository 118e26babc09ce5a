// ReplaceFileDurably on POSIX: mkstemp, fsync, rename, fsync of the folder.
#include "base/durable_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zentho {
namespace {

OsError Reason(const char* step) { return {std::string(step) + ": " + ErrnoText(errno)}; }

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

OsResult<void> ReplaceFileDurably(const std::filesystem::path& target, std::string_view bytes) {
  const std::filesystem::path folder =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  std::string pattern = (folder / (target.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  // mkstemp creates with O_EXCL: a name that exists, link or not, is never opened.
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return Reason("create");
  const auto discard = [&](OsError reason) {
    ::close(fd);
    ::unlink(name.data());
    return reason;
  };
  // mkstemp gives 0600; a settings file is as readable as any file the user makes.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(fd, 0666 & ~mask) != 0) return discard(Reason("chmod"));
  if (!WriteAll(fd, bytes)) return discard(Reason("write"));
  if (::fsync(fd) != 0) return discard(Reason("fsync"));
  if (::close(fd) != 0) {
    const OsError reason = Reason("close");
    ::unlink(name.data());
    return reason;
  }
  if (::rename(name.data(), target.c_str()) != 0) {
    const OsError reason = Reason("rename");
    ::unlink(name.data());
    return reason;
  }
  // The rename is on disk only once the folder is.
  const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    ::fsync(folderFd);
    ::close(folderFd);
  }
  return {};
}

}  // namespace zentho
