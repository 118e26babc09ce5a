// Replacing a small file so that a crash or a power cut leaves the old or the new
// content, never a mix, and no name in its folder that anyone else could have planted.
#pragma once

#include <filesystem>
#include <string_view>

#include "transfer/os_result.h"

namespace zentho::window {

// Writes `bytes` to a new, uniquely named file in `target`'s folder (created only by
// this call, never through a link), flushes it to the disk, renames it over `target`
// and flushes the folder. Fails with the step and the system's reason ("rename: ..."),
// having removed the new file; `target` is then as it was.
OsResult<void> ReplaceFileDurably(const std::filesystem::path& target, std::string_view bytes);

}  // namespace zentho::window
