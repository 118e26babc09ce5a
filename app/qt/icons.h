// The program's icon groups, drawn for this program and kept as PNG in the resources.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace zentho::qt {

// Every image of icon group `group` (128, 130, 131, 132 or 135).
QIcon IconGroup(int group);
// The image of `group` at `size` pixels square.
QPixmap IconImage(int group, int size);

}  // namespace zentho::qt
