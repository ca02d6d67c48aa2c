#pragma once

#include <QPoint>

class QMenu;

namespace rw {

// Opens a context menu with its top-left corner 3 px right of and below globalPos; the chosen
// action's triggered() runs after the menu has closed.
void popUpMenu(QMenu *menu, const QPoint &globalPos);

} // namespace rw
