// setup.dat: the one stored setting, the firmware file path, as bytes followed by CR LF.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/os_result.h"

namespace zentho::window {

// The path a file read back gives: the text of every line up to the last CR LF, joined
// without separators, where a CR not followed by LF is dropped with the byte after it.
// Nothing when the file holds no CR LF at all.
std::optional<std::string> ParseSettings(std::string_view bytes);

// The file's bytes for `filePath`: the path exactly, then CR LF.
std::string SettingsBytes(std::string_view filePath);

// No path the writer stores comes near this (Windows' longest path is 32767 characters),
// so a longer file is not one it wrote, and reading it would only hold up the window.
inline constexpr std::size_t kMaxSettingsFileLength = 65536;

// The whole file, or nothing when it is not readable: missing, not a regular file (a
// folder, a FIFO, a device), longer than kMaxSettingsFileLength, or a read error.
std::optional<std::string> ReadSettingsFile(const std::filesystem::path& path);

// Replaces `path` durably (ReplaceFileDurably), so a crash while saving never loses the
// stored path; when `path` is a symbolic link, its target is replaced and the link kept.
// Creates the folder if needed. Fails with the reason the file could not be written.
OsResult<void> WriteSettingsFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace zentho::window
