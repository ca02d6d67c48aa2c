#pragma once

#include "Rule.h"

#include <QList>
#include <QString>

#include <optional>

namespace rw {

// The fields of a rule, in the order the list shows them.
enum class RuleField { Name = 0, Expression = 1, Description = 2 };

// The rules library as the program holds it: an ordered list of rules and the rules its edits follow.
class RulesLibrary final {
public:
    const QList<Rule> &rules() const { return m_rules; }
    qsizetype size() const { return m_rules.size(); }
    // The field of the rule at row, which must exist.
    QString field(qsizetype row, RuleField field) const;

    // Puts loaded at the top, in their order, ahead of any rule added meanwhile.
    void prepend(const QList<Rule> &loaded);
    // Appends a rule whose fields are all empty; returns its row.
    qsizetype appendEmpty();
    // Removes the rule at row; false when there is none.
    bool remove(qsizetype row);

    // The text an edit that ends with typed gives field, or nullopt when the edit leaves the field as it
    // was: an emptied name (a rule without a name is not saved, so it would silently be lost). A line
    // break becomes a space, as a field is one line of the rules file.
    static std::optional<QString> committed(RuleField field, const QString &typed);
    // Ends an edit of the field at row as committed() says; true when the field changed.
    bool commit(qsizetype row, RuleField field, const QString &typed);

private:
    static QString &fieldRef(Rule &rule, RuleField field);

    QList<Rule> m_rules;
};

} // namespace rw
