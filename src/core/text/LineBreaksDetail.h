#pragma once

#include <QChar>
#include <QStringView>

namespace rw::detail {

// Writes text with every "\n", "\r\n" and lone "\r" as "\r\n" to out, which must hold
// 2 * text.size() characters; returns the end of what was written.
QChar *writeCrLf(QStringView text, QChar *out);

} // namespace rw::detail
