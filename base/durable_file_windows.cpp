// ReplaceFileDurably on Windows: a new file made with CREATE_NEW, flushed, then moved
// over the old one with write-through.
#include "base/durable_file.h"

#include <windows.h>

#include "base/native_path.h"

#include <atomic>

namespace zentho {
namespace {

OsError Reason(const char* step) { return {std::string(step) + ": " + LastErrorText()}; }

}  // namespace

OsResult<void> ReplaceFileDurably(const std::filesystem::path& target, std::string_view bytes) {
  static std::atomic<unsigned> counter{0};
  const std::string targetBytes = PathBytes(target);
  std::string name;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int tries = 0; file == INVALID_HANDLE_VALUE && tries < 100; ++tries) {
    name = targetBytes + "." + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(counter++) + ".tmp";
    // CREATE_NEW fails on any existing name, so nothing planted there is written.
    file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) return Reason("create");
  DWORD written = 0;
  const BOOL wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  if (!wrote || written != bytes.size() || !FlushFileBuffers(file)) {
    const OsError reason = Reason("write");
    CloseHandle(file);
    DeleteFileA(name.c_str());
    return reason;
  }
  CloseHandle(file);
  if (!MoveFileExA(name.c_str(), targetBytes.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const OsError reason = Reason("rename");
    DeleteFileA(name.c_str());
    return reason;
  }
  return {};
}

}  // namespace zentho
