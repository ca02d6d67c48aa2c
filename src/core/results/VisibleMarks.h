#pragma once

#include <QString>
#include <QStringView>

namespace rw {

// text for a one-line cell: each tab becomes "→" and each line break "↵" ("\r\n" is one break; so are a
// lone "\r" or "\n", U+2028, U+2029, U+0085, "\v" and "\f"), so nothing after a break is hidden.
QString withVisibleMarks(QStringView text);

} // namespace rw
