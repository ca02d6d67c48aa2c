#include "MatchSet.h"

namespace rw {

QStringView MatchSet::text(QStringView subject, qsizetype i, int g) const {
    if (i < 0 || i >= size() || g < 0 || g > m_groups)
        return {};
    const qsizetype from = start(i, g);
    const qsizetype to = end(i, g);
    if (from < 0 || to < from || to > subject.size())
        return {};
    return subject.sliced(from, to - from);
}

void MatchSet::append(const std::size_t *ovector, std::size_t base) {
    // PCRE2 marks a group that took no part with ~0, which the set keeps as -1.
    constexpr std::size_t unset = ~std::size_t(0);
    const std::size_t count = std::size_t(stride());
    for (std::size_t k = 0; k < count; ++k)
        m_offsets.push_back(ovector[k] == unset ? -1 : std::int32_t(ovector[k] + base));
}

void MatchSet::append(const MatchSet &other) {
    m_offsets.insert(m_offsets.end(), other.m_offsets.begin(), other.m_offsets.end());
}

} // namespace rw
