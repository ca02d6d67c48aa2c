#include "TextLines.h"

#include <algorithm>

namespace rw {

namespace {
bool isBreak(QChar c) {
    return c == u'\n' || c == u'\r';
}

// Whether any of the sixteen units at p lies in 10..13 ("\n", "\v", "\f", "\r"): one range test a unit and
// no early exit, so the compiler makes it a few vector compares.
bool mayHoldBreak(const char16_t *p) {
    unsigned hit = 0;
    for (int k = 0; k < 16; ++k)
        hit |= unsigned(char16_t(p[k] - u'\n') < 4);
    return hit != 0;
}
} // namespace

qsizetype nextLineBreak(QStringView text, qsizetype pos) {
    const char16_t *const begin = text.utf16();
    const char16_t *const end = begin + text.size();
    const char16_t *p = begin + pos;
    while (p != end) {
        while (end - p >= 16 && !mayHoldBreak(p))
            p += 16;
        // The block that may hold one (a "\v" or "\f" is no break), or the last few units.
        for (const char16_t *const stop = std::min(end, p + 16); p != stop; ++p) {
            if (*p == u'\n' || *p == u'\r')
                return p - begin;
        }
    }
    return text.size();
}

qsizetype lineStartAt(QStringView text, qsizetype pos) {
    pos = std::clamp<qsizetype>(pos, 0, text.size());
    if (pos > 0 && pos < text.size() && text[pos - 1] == u'\r' && text[pos] == u'\n')
        return pos + 1;
    while (pos > 0 && !isBreak(text[pos - 1]))
        --pos;
    return pos;
}

qsizetype lineEndAt(QStringView text, qsizetype pos) {
    pos = std::clamp<qsizetype>(pos, 0, text.size());
    while (pos < text.size() && !isBreak(text[pos]))
        ++pos;
    return pos;
}

LineStarts::LineStarts(QStringView text) {
    m_starts.push_back(0);
    for (qsizetype at = nextLineBreak(text, 0); at < text.size(); at = nextLineBreak(text, at)) {
        at += lineBreakLength(text, at);
        m_starts.push_back(std::int32_t(at));
    }
}

qsizetype LineStarts::end(QStringView text, qsizetype index) const {
    if (index + 1 >= lineCount())
        return text.size();
    const qsizetype next = start(index + 1);
    const bool crLf = next - 2 >= start(index) && text[next - 1] == u'\n' && text[next - 2] == u'\r';
    return next - (crLf ? 2 : 1);
}

qsizetype LineStarts::lineNumber(qsizetype offset) const {
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), offset);
    return std::max<qsizetype>(after - m_starts.begin(), 1);
}

} // namespace rw
