// Debug trace, local time and the settings location under Qt on Linux.
#include "app/qt/desktop_services.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>

#include "app/window/start_options.h"

namespace zentho::qt {

void StderrTrace::line(std::string_view text) {
  std::lock_guard lock(mutex_);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

window::LocalTime QtLocalTime::now() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate date = now.date();
  const QTime time = now.time();
  const auto field = [](int value) { return static_cast<std::uint16_t>(value); };
  // Sunday is day 0 of the week in the record, day 7 for Qt.
  return {field(date.year()),   field(date.month()),  field(date.dayOfWeek() % 7),
          field(date.day()),    field(time.hour()),   field(time.minute()),
          field(time.second()), field(time.msec())};
}

std::filesystem::path SettingsPathFor(const char* xdgConfigHome, const std::filesystem::path& home) {
  // A relative XDG_CONFIG_HOME is invalid by the XDG base directory rules and is ignored,
  // as Qt's own lookup does not: the file would follow the working directory.
  const bool absolute = xdgConfigHome != nullptr && xdgConfigHome[0] == '/';
  const std::filesystem::path folder = absolute ? std::filesystem::path(xdgConfigHome) : home / ".config";
  return folder / "ZenthoIAP" / window::kSettingsFileName;
}

std::filesystem::path SettingsPath() {
  const QByteArray home = QFile::encodeName(QDir::homePath());
  return SettingsPathFor(std::getenv("XDG_CONFIG_HOME"),
                         std::string(home.constData(), static_cast<std::size_t>(home.size())));
}

}  // namespace zentho::qt
