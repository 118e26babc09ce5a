// setup.dat: the one stored setting, the firmware file path, as bytes followed by CR LF.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zentho::window {

// The path a file read back gives: the text of every line up to the last CR LF, joined
// without separators, where a CR not followed by LF is dropped with the byte after it.
// Nothing when the file holds no CR LF at all.
std::optional<std::string> ParseSettings(std::string_view bytes);

// The file's bytes for `filePath`: the path exactly, then CR LF.
std::string SettingsBytes(std::string_view filePath);

// The whole file, or nothing when it cannot be opened.
std::optional<std::string> ReadSettingsFile(const std::filesystem::path& path);

// Writes a temporary file beside `path` and renames it over the old one, so a crash
// while saving never loses the stored path. Creates the folder if needed. Returns the
// reason when the file could not be written.
std::optional<std::string> WriteSettingsFile(const std::filesystem::path& path,
                                             std::string_view bytes);

}  // namespace zentho::window
