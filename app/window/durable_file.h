// Replacing a small file so that a crash or a power cut leaves the old or the new
// content, never a mix, and no name in its folder that anyone else could have planted.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zentho::window {

// Writes `bytes` to a new, uniquely named file in `target`'s folder (created only by
// this call, never through a link), flushes it to the disk, renames it over `target`
// and flushes the folder. Returns the step and the system's reason on failure, having
// removed the new file; `target` is then as it was.
std::optional<std::string> ReplaceFileDurably(const std::filesystem::path& target,
                                              std::string_view bytes);

}  // namespace zentho::window
