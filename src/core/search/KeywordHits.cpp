#include "KeywordHits.h"

#include <QStringMatcher>

namespace rw {

std::vector<qsizetype> findKeywordHits(QStringView text, QStringView keyword) {
    std::vector<qsizetype> hits;
    if (keyword.isEmpty())
        return hits;
    // One matcher for the whole scan: its skip table is built once, not per occurrence.
    const QStringMatcher matcher(keyword, Qt::CaseSensitive);
    for (qsizetype at = matcher.indexIn(text, 0); at >= 0; at = matcher.indexIn(text, at + keyword.size()))
        hits.push_back(at);
    return hits;
}

} // namespace rw
