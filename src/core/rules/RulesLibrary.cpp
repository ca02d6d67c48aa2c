#include "RulesLibrary.h"

#include "RulesCodec.h"

namespace rw {

QString &RulesLibrary::fieldRef(Rule &rule, RuleField field) {
    switch (field) {
    case RuleField::Name:
        return rule.name;
    case RuleField::Expression:
        return rule.expression;
    case RuleField::Description:
        break;
    }
    return rule.description;
}

QString RulesLibrary::field(qsizetype row, RuleField field) const {
    const Rule &rule = m_rules.at(row);
    return field == RuleField::Name         ? rule.name
           : field == RuleField::Expression ? rule.expression
                                            : rule.description;
}

void RulesLibrary::prepend(const QList<Rule> &loaded) {
    m_rules = loaded + m_rules;
}

qsizetype RulesLibrary::appendEmpty() {
    m_rules.append(Rule());
    return m_rules.size() - 1;
}

bool RulesLibrary::remove(qsizetype row) {
    if (row < 0 || row >= m_rules.size())
        return false;
    m_rules.removeAt(row);
    return true;
}

std::optional<QString> RulesLibrary::committed(RuleField field, const QString &typed) {
    if (field == RuleField::Name && typed.isEmpty())
        return std::nullopt;
    return singleLine(typed);
}

bool RulesLibrary::commit(qsizetype row, RuleField field, const QString &typed) {
    if (row < 0 || row >= m_rules.size())
        return false;
    const std::optional<QString> text = committed(field, typed);
    QString &target = fieldRef(m_rules[row], field);
    if (!text || *text == target)
        return false;
    target = *text;
    return true;
}

} // namespace rw
