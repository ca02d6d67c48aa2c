#include "LineBreaks.h"

#include "LineBreaksDetail.h"

namespace rw {

namespace detail {

QChar *writeCrLf(QStringView text, QChar *out) {
    const QChar *p = text.data();
    const QChar *const end = p + text.size();
    while (p != end) {
        const QChar c = *p++;
        if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && p != end && *p == u'\n')
                ++p;
            *out++ = u'\r';
            *out++ = u'\n';
        } else {
            *out++ = c;
        }
    }
    return out;
}

} // namespace detail

QString fromCrLf(QString text) {
    const qsizetype first = text.indexOf(u'\r');
    if (first < 0)
        return text;
    QChar *const begin = text.data();
    const QChar *in = begin + first;
    const QChar *const end = begin + text.size();
    QChar *out = begin + first;
    while (in != end) {
        const QChar c = *in++;
        if (c == u'\r') {
            if (in != end && *in == u'\n')
                ++in;
            *out++ = u'\n';
        } else {
            *out++ = c;
        }
    }
    text.truncate(out - begin);
    return text;
}

} // namespace rw
