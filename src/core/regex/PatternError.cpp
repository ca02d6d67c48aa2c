#include "PatternError.h"

namespace rw {

PatternError PatternError::at(QStringView pattern, qsizetype offset, const QString &reason) {
    PatternError error;
    error.reason = reason;
    error.offset = std::clamp<qsizetype>(offset, 0, pattern.size());
    // The user sees one character where the string holds a surrogate pair, and one line break where the
    // pattern box's text holds "\r\n".
    int characters = 0;
    for (qsizetype i = 0; i < error.offset; ++i) {
        const char16_t c = pattern[i].unicode();
        const char16_t next = i + 1 < pattern.size() ? pattern[i + 1].unicode() : char16_t(0);
        if ((QChar::isHighSurrogate(c) && QChar::isLowSurrogate(next)) || (c == u'\r' && next == u'\n'))
            ++i;
        ++characters;
    }
    error.position = characters + 1;
    return error;
}

QString PatternError::text() const {
    return QStringLiteral("%1 (第 %2 个字符)").arg(reason).arg(position);
}

} // namespace rw
