#include "ContextMenu.h"

#include <QMenu>

namespace rw {

void popUpMenu(QMenu *menu, const QPoint &globalPos) {
    menu->popup(globalPos + QPoint(3, 3));
}

} // namespace rw
