#include "KeywordStepper.h"

namespace rw {

bool KeywordStepper::begin(const QString &keyword) {
    if (keyword == m_keyword)
        return false;
    m_keyword = keyword;
    m_nextStart = 0;
    m_hit = 0;
    m_total = 0;
    return true;
}

std::optional<KeywordStepper::Hit> KeywordStepper::step(QStringView text) {
    if (m_keyword.isEmpty())
        return std::nullopt;
    return stepTo(text.indexOf(m_keyword, m_nextStart, Qt::CaseSensitive));
}

std::optional<KeywordStepper::Hit> KeywordStepper::stepTo(qsizetype at) {
    if (m_keyword.isEmpty() || at < 0)
        return std::nullopt;
    ++m_hit;
    m_nextStart = at + 1;
    return Hit{at, m_keyword.size(), m_hit, m_total};
}

QString KeywordStepper::countText() const {
    if (m_total <= 0)
        return {};
    return QStringLiteral("一共搜到 %1 个 %2").arg(m_total).arg(m_keyword);
}

QString KeywordStepper::hitText(const Hit &hit) {
    return QStringLiteral("搜索结果 %1/%2").arg(hit.number).arg(hit.total);
}

QString KeywordStepper::noMoreText() {
    return QStringLiteral("没有啦");
}

} // namespace rw
