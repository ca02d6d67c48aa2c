#include "DocumentText.h"
#include "core/memory/HugePages.h"

namespace rw {

bool isRawLineBreak(char16_t c) {
    return c == u'\n' || c == u'\r' || c == 0x2029 || c == 0x2028;
}

QString paragraphsToCrLf(QStringView raw) {
    qsizetype breaks = 0;
    const char16_t *p = raw.utf16();
    const char16_t *const end = p + raw.size();
    for (const char16_t *q = p; q != end; ++q) {
        if (isRawLineBreak(*q)) {
            if (*q == u'\r' && q + 1 != end && q[1] == u'\n')
                ++q;
            ++breaks;
        }
    }
    QString out(raw.size() + breaks, Qt::Uninitialized);
    adviseHugePages(out.data(), std::size_t(out.size()) * sizeof(QChar));
    char16_t *o = reinterpret_cast<char16_t *>(out.data());
    char16_t *const begin = o;
    while (p != end) {
        const char16_t c = *p++;
        if (!isRawLineBreak(c)) {
            *o++ = c;
            continue;
        }
        if (c == u'\r' && p != end && *p == u'\n')
            ++p;
        *o++ = u'\r';
        *o++ = u'\n';
    }
    out.truncate(o - begin);
    return out;
}

QString paragraphsToLineFeeds(QString raw) {
    // In place: a document's raw text is a fresh string, so this costs no copy.
    for (QChar &c : raw) {
        if (c.unicode() == 0x2029 || c.unicode() == 0x2028)
            c = u'\n';
    }
    return raw;
}

} // namespace rw
