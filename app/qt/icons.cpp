// Icon groups from the compiled-in resources.
#include "app/qt/icons.h"

#include <QString>

namespace zentho::qt {

QIcon IconGroup(int group) {
  QIcon icon;
  for (int size : {16, 32, 48}) {
    const QString path = QStringLiteral(":/icons/icon-%1-%2.png").arg(group).arg(size);
    if (QPixmap image(path); !image.isNull()) icon.addPixmap(image);
  }
  return icon;
}

QPixmap IconImage(int group, int size) {
  QPixmap exact(QStringLiteral(":/icons/icon-%1-%2.png").arg(group).arg(size));
  if (!exact.isNull()) return exact;
  return IconGroup(group).pixmap(size, size);
}

}  // namespace zentho::qt
