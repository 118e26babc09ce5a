// Paths on POSIX: the bytes are the path.
#include "base/native_path.h"

namespace zentho {

std::filesystem::path FsPath(std::string_view bytes) { return std::filesystem::path(std::string(bytes)); }

std::string PathBytes(const std::filesystem::path& path) { return path.native(); }

}  // namespace zentho
