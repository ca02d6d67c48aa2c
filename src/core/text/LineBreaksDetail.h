#pragma once

#include <QChar>
#include <QStringView>

namespace rw::detail {

// How many characters toCrLf() adds to text.
qsizetype crLfGrowth(QStringView text);

// Writes text with "\r\n" line breaks to out, which must hold 2 * text.size() characters (or
// text.size() + crLfGrowth(text)); returns the end of what was written.
QChar *writeCrLf(QStringView text, QChar *out);

} // namespace rw::detail
