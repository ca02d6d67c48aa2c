#include "PatternValue.h"

#include "core/text/DocumentText.h"

#include <algorithm>

namespace rw {

BreakMap::BreakMap(QStringView raw) {
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (!isRawLineBreak(raw[i].unicode()))
            continue;
        if (raw[i] == u'\r' && i + 1 < raw.size() && raw[i + 1] == u'\n')
            ++i; // two in the box, two in the engine's text
        else
            m_grown.push_back(i);
    }
}

qsizetype BreakMap::offsetOf(qsizetype boxPosition) const {
    const auto before = std::lower_bound(m_grown.begin(), m_grown.end(), boxPosition);
    return boxPosition + (before - m_grown.begin());
}

qsizetype BreakMap::boxPosition(qsizetype offset, bool after) const {
    // The grown break at box position p covers the engine's offsets p + k and p + k + 1, k being the
    // grown breaks before it.
    qsizetype low = 0;
    qsizetype high = qsizetype(m_grown.size());
    while (low < high) {
        const qsizetype mid = (low + high) / 2;
        if (m_grown[std::size_t(mid)] + mid < offset)
            low = mid + 1;
        else
            high = mid;
    }
    // `low` grown breaks start before offset; the last of them may be the one offset sits inside.
    if (low > 0 && m_grown[std::size_t(low - 1)] + (low - 1) + 1 == offset)
        return m_grown[std::size_t(low - 1)] + (after ? 1 : 0);
    return offset - low;
}

std::shared_ptr<const PatternValue> PatternValue::read(QStringView raw, const RegexOptions &options,
                                                       quint64 revision) {
    auto value = std::make_shared<PatternValue>();
    value->text = paragraphsToCrLf(raw);
    value->options = options;
    value->tree = SyntaxTree::parse(value->text);
    value->breaks = BreakMap(raw);
    value->revision = revision;
    return value;
}

std::shared_ptr<const PatternValue> PatternValue::withOptions(const RegexOptions &other,
                                                              quint64 newRevision) const {
    auto value = std::make_shared<PatternValue>(*this);
    value->options = other;
    value->revision = newRevision;
    return value;
}

bool PatternValue::sameAs(const PatternValue &value) const {
    return text == value.text && options == value.options;
}

} // namespace rw
