#pragma once

#include <QStringView>

namespace rw {

// Beyond this many characters without white space, word wrapping a line costs time that grows with the
// square of its length (a 400,000-character run takes seconds): such texts are wrapped anywhere instead.
inline constexpr qsizetype kLongUnbrokenRun = 10000;

// Whether text holds a run of more than limit characters none of which is white space.
bool hasLongUnbrokenRun(QStringView text, qsizetype limit = kLongUnbrokenRun);

} // namespace rw
