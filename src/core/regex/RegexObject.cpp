#include "RegexObject.h"

#include "Matcher.h"

#include "Substitution.h"

namespace rw {

bool RegexObject::Create(const QString &expression, const QString &source, bool caseSensitive, bool multiline,
                         bool global) {
    m_pattern = Pattern::compile(expression, RegexOptions{!caseSensitive, multiline, global});
    m_source = source;
    m_matches = MatchSet(m_pattern.captureCount());
    if (!m_pattern.isValid()) {
        m_status = MatchStatus::Rejected;
        return false;
    }
    Matcher matcher(m_pattern);
    m_status = matcher.findAll(m_source, m_matches);
    return true;
}

QString RegexObject::ReplaceText(const QString &replacement) {
    // A rejected pattern, or one stopped by the limits, leaves nothing to replace with: the component
    // gives no text back then.
    if (m_status != MatchStatus::Ok)
        return {};
    return Substitution(replacement, m_matches.groupCount()).replace(m_source, m_matches);
}

int RegexObject::MatchCount() const {
    return int(m_matches.size());
}

QString RegexObject::MatchText(int i) const {
    return m_matches.text(m_source, qsizetype(i) - 1, 0).toString();
}

QString RegexObject::SubMatchText(int i, int j) const {
    if (j < 1)
        return {};
    return m_matches.text(m_source, qsizetype(i) - 1, j).toString();
}

int RegexObject::SubMatchCount() const {
    return m_matches.isEmpty() ? 0 : m_matches.groupCount();
}

} // namespace rw
