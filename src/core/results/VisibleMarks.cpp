#include "VisibleMarks.h"

namespace rw {

namespace {
constexpr QChar kTabMark(0x2192);   // →
constexpr QChar kBreakMark(0x21B5); // ↵

bool isLineBreak(QChar c) {
    switch (c.unicode()) {
    case u'\n':
    case u'\r':
    case u'\v':
    case u'\f':
    case 0x0085:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}
} // namespace

QString withVisibleMarks(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\t') {
            out += kTabMark;
        } else if (isLineBreak(c)) {
            out += kBreakMark;
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace rw
