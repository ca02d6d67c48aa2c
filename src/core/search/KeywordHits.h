#pragma once

#include <QString>
#include <QStringMatcher>
#include <QStringView>

#include <algorithm>
#include <iterator>
#include <vector>

namespace rw {

// Start positions of keyword in text, scanning from the front and resuming behind each occurrence, so
// occurrences never overlap ("AAA" holds one "AA"). Case-sensitive; an empty keyword has none.
std::vector<qsizetype> findKeywordHits(QStringView text, QStringView keyword);

// How many starting positions one read of a big text covers in the searches below.
inline constexpr qsizetype kKeywordWindow = qsizetype(1) << 20;

// Where the first occurrence of keyword starting in [from, to) lies in text, or -1. The text is anything
// with size() and a clamping mid(position, length), such as a QString or a TextStore; it is read through
// mid() a window of `window` starting positions at a time (each read window + keyword.size() - 1
// characters long), so a big text is never copied whole. Case-sensitive; an empty keyword is never found.
template <typename Text>
qsizetype findKeywordIn(const Text &text, QStringView keyword, qsizetype from, qsizetype to,
                        qsizetype window = kKeywordWindow) {
    from = std::max<qsizetype>(from, 0);
    to = std::min<qsizetype>(to, text.size() - keyword.size() + 1);
    if (keyword.isEmpty() || from >= to)
        return -1;
    const QStringMatcher matcher(keyword, Qt::CaseSensitive);
    for (qsizetype at = from; at < to; at += window) {
        const qsizetype starts = std::min(window, to - at);
        // An occurrence found in the read starts within its first `starts` positions.
        const qsizetype found = matcher.indexIn(QStringView(text.mid(at, starts + keyword.size() - 1)));
        if (found >= 0)
            return at + found;
    }
    return -1;
}

// The first occurrence of keyword in text starting at or after from, or -1, where hits is
// findKeywordHits() of this very text. The hits leave out only occurrences that overlap an earlier hit, and
// those start inside it, so the answer is the first hit from `from` on unless the hit before `from` still
// reaches it: then at most 2 * keyword.size() characters of the text are read.
template <typename Text>
qsizetype nextKeywordHit(const Text &text, QStringView keyword, const std::vector<qsizetype> &hits,
                         qsizetype from) {
    if (keyword.isEmpty())
        return -1;
    const auto next = std::lower_bound(hits.begin(), hits.end(), from);
    if (next != hits.begin()) {
        const qsizetype found = findKeywordIn(text, keyword, from, *std::prev(next) + keyword.size());
        if (found >= 0)
            return found;
    }
    return next == hits.end() ? -1 : *next;
}

} // namespace rw
