#pragma once

#include <QString>
#include <QStringView>
#include <QVariant>

#include <optional>

namespace rw {

// JSON for one line of the command line's conversation. Qt's own reader and writer turn a lone surrogate
// into U+FFFD; a pattern or replacement must come through exactly, so strings are read and written here.
namespace JsonLine {

// text as a JSON string: quotes, backslash and control characters escaped, and every lone surrogate as
// \uXXXX; everything else as itself.
QString quote(QStringView text);

// One JSON object: its members as a map (strings as QString, true/false as bool, numbers as double,
// null as an invalid QVariant, arrays as QVariantList, objects as QVariantMap). nullopt and error set
// when the line is not one JSON object.
std::optional<QVariantMap> parseObject(QStringView line, QString *error);

} // namespace JsonLine

} // namespace rw
