#pragma once

#include "core/memory/HugePages.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace rw {

// Offsets of every match and of its groups over one subject text, kept compactly: for each match
// (groupCount() + 1) pairs of (start, end) in UTF-16 units; a group that took no part holds (-1, -1).
// Texts are never stored; they are sliced from the subject on demand.
class MatchSet final {
public:
    explicit MatchSet(int groupCount = 0) : m_groups(groupCount) {}

    int groupCount() const { return m_groups; }
    qsizetype size() const { return qsizetype(m_offsets.size() / stride()); }
    bool isEmpty() const { return m_offsets.empty(); }

    // Start / end of group g (0 = whole match) of match i (0-based); -1 when the group took no part.
    qsizetype start(qsizetype i, int g) const { return m_offsets[std::size_t(i * stride() + 2 * g)]; }
    qsizetype end(qsizetype i, int g) const { return m_offsets[std::size_t(i * stride() + 2 * g + 1)]; }
    // The text of group g of match i within subject; empty when unset or out of range.
    QStringView text(QStringView subject, qsizetype i, int g) const;

    // Appends one match from a PCRE2-style vector of (groupCount() + 1) start/end pairs, counted from base
    // (a match found in a part of the subject that begins there).
    void append(const std::size_t *ovector, std::size_t base = 0);
    // Appends every match of another set with the same group count.
    void append(const MatchSet &other);
    void clear() { m_offsets.clear(); }
    void reserve(qsizetype matches) { m_offsets.reserve(std::size_t(matches * stride())); }
    // How many matches fill a buffer big enough for huge pages (see HugePages.h).
    qsizetype hugeBatch() const { return qsizetype(kHugePagesFrom / sizeof(std::int32_t)) / stride(); }
    // Lets go of room reserved beyond twice what the set holds (a batch sent off early).
    void releaseSpareRoom() {
        if (m_offsets.capacity() > 2 * m_offsets.size())
            m_offsets.shrink_to_fit();
    }
    // Bytes held, for memory figures.
    std::size_t bytesUsed() const { return m_offsets.capacity() * sizeof(std::int32_t); }

private:
    qsizetype stride() const { return 2 * (qsizetype(m_groups) + 1); }
    int m_groups = 0;
    std::vector<std::int32_t, HugePageAllocator<std::int32_t>> m_offsets;
};

} // namespace rw
