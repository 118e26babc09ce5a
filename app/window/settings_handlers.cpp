// The window's settings file and file selection: LoadSettings, SaveSettings, OnBrowse.
#include "app/window/control_ids.h"
#include "app/window/iap_dlg.h"
#include "app/window/settings_file.h"
#include "app/window/window_strings.h"
#include "base/native_path.h"

namespace zentho::window {

void CIapDlg::LoadSettings() {
  const std::optional<std::string> bytes = ReadSettingsFile(services_.settingsPath);
  if (!bytes) {
    FilePath = text::kNoStoredPath;
    return;
  }
  UpdateData(true);
  if (std::optional<std::string> stored = ParseSettings(*bytes)) {
    FilePath = std::move(*stored);
    view().setText(kIdcFilePath, FilePath);
  }
  UpdateData(false);
}

void CIapDlg::SaveSettings() {
  UpdateData(true);
  const OsResult<void> saved = WriteSettingsFile(services_.settingsPath, SettingsBytes(FilePath));
  if (!saved) {
    std::string line(text::kTraceSaveFailedPrefix);
    line.append(PathBytes(services_.settingsPath)).append(": ").append(saved.reason()).append("\n");
    services_.trace.line(line);
  }
}

void CIapDlg::OnBrowse() {
  UpdateData(true);
  const FileTypeFilter filter =
      DownloadMode == static_cast<int>(zentho::DownloadMode::SoftwareConfig)
          ? FileTypeFilter{text::kTextFilter, text::kTextPattern, text::kTextExtension}
          : FileTypeFilter{text::kBinaryFilter, text::kBinaryPattern, text::kBinaryExtension};
  if (std::optional<std::string> chosen = view().chooseFile(filter)) {
    FilePath = std::move(*chosen);
    view().setText(kIdcFilePath, FilePath);
  }
  UpdateData(false);
}

}  // namespace zentho::window
