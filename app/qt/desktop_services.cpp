// Debug trace, local time and the settings location under Qt on Linux.
#include "app/qt/desktop_services.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cstdio>

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

std::filesystem::path SettingsPath() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  const QString name = QStringLiteral("ZenthoIAP/") + QString::fromLatin1(window::kSettingsFileName.data(),
      static_cast<qsizetype>(window::kSettingsFileName.size()));
  const QByteArray path = QFile::encodeName(QDir(folder).filePath(name));
  return std::filesystem::path(std::string(path.constData(), static_cast<std::size_t>(path.size())));
}

}  // namespace zentho::qt
