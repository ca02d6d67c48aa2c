#include "MarkList.h"

#include <algorithm>

namespace rw {

void MarkList::assign(const std::vector<qsizetype> &starts, qsizetype length, Kind kind) {
    m_marks.clear();
    if (length <= 0)
        return;
    m_marks.reserve(starts.size());
    for (qsizetype start : starts)
        m_marks.push_back({start, length, kind});
}

void MarkList::assignStretches(std::vector<Mark> marks) {
    std::sort(marks.begin(), marks.end(), [](const Mark &a, const Mark &b) { return a.start < b.start; });
    m_marks.clear();
    for (const Mark &m : marks) {
        if (m.length <= 0)
            continue;
        if (!m_marks.empty() && m.start <= m_marks.back().end()) {
            Mark &last = m_marks.back();
            last.length = std::max(last.end(), m.end()) - last.start;
            continue;
        }
        m_marks.push_back(m);
    }
}

qsizetype MarkList::firstEndingAfter(qsizetype pos) const {
    const auto it =
        std::partition_point(m_marks.begin(), m_marks.end(), [pos](const Mark &m) { return m.end() <= pos; });
    return it - m_marks.begin();
}

std::span<const MarkList::Mark> MarkList::overlapping(qsizetype from, qsizetype to) const {
    const qsizetype first = firstEndingAfter(from);
    qsizetype last = first;
    while (last < size() && m_marks[last].start < to)
        ++last;
    return std::span<const Mark>(m_marks).subspan(first, last - first);
}

void MarkList::paint(qsizetype start, qsizetype length, Kind kind) {
    if (length <= 0)
        return;
    const qsizetype end = start + length;
    const qsizetype first = firstEndingAfter(start);
    qsizetype last = first;
    std::vector<Mark> pieces;
    for (; last < size() && m_marks[last].start < end; ++last) {
        const Mark &m = m_marks[last];
        if (m.start < start)
            pieces.push_back({m.start, start - m.start, m.kind});
        if (m.end() > end)
            pieces.push_back({end, m.end() - end, m.kind});
    }
    // Keep the order: the piece before the new mark, the new mark, the piece after it.
    std::vector<Mark> replacement;
    for (const Mark &p : pieces)
        if (p.start < start)
            replacement.push_back(p);
    replacement.push_back({start, length, kind});
    for (const Mark &p : pieces)
        if (p.start >= end)
            replacement.push_back(p);
    const auto at = m_marks.erase(m_marks.begin() + first, m_marks.begin() + last);
    m_marks.insert(at, replacement.begin(), replacement.end());
}

void MarkList::adjust(qsizetype from, qsizetype removed, qsizetype added) {
    const qsizetype removedEnd = from + removed;
    const qsizetype delta = added - removed;
    std::vector<Mark> kept;
    kept.reserve(m_marks.size());
    for (const Mark &m : m_marks) {
        if (m.end() <= from) {
            kept.push_back(m);
        } else if (m.start >= removedEnd) {
            kept.push_back({m.start + delta, m.length, m.kind});
        } else if (m.start < from && m.end() > removedEnd) {
            // An edit strictly inside a mark: what is typed there takes its colour.
            kept.push_back({m.start, m.length + delta, m.kind});
        } else if (m.start < from) {
            kept.push_back({m.start, from - m.start, m.kind});
        } else if (m.end() > removedEnd) {
            kept.push_back({from + added, m.end() - removedEnd, m.kind});
        }
    }
    m_marks = std::move(kept);
}

} // namespace rw
