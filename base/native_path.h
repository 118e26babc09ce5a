// A path's 8-bit bytes, as the program keeps them and the system's 8-bit calls take
// them, and the same path as std::filesystem takes it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zentho {

// On POSIX the bytes are the path. On Windows they are in the ANSI code page, which is
// what CreateFileA, GetModuleFileNameA, the open-file dialog and the C runtime's fopen
// use; std::filesystem would convert them through the C runtime's locale, which is not
// the code page, so the wide path is made with MultiByteToWideChar(CP_ACP) here, and
// nowhere else.
std::filesystem::path FsPath(std::string_view bytes);

// The way back: the path's bytes for an 8-bit call (WideCharToMultiByte(CP_ACP) on
// Windows).
std::string PathBytes(const std::filesystem::path& path);

}  // namespace zentho
