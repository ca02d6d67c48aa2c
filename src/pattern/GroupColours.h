#pragma once

#include <QColor>

namespace rw {

// The colour of capturing group `group` (from 1), the same in the pattern box, the live marks and the
// results list's column headers. Readable as text on a light background and as a tint behind dark text;
// the colours repeat after a dozen groups.
QColor groupColour(int group);

} // namespace rw
