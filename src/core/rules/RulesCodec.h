#pragma once

#include "Rule.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace rw {

// The line format of the rules file: name----expression[----description], lines joined by "\r\n".

// Splits text at every separator; empty pieces between separators count. An empty last piece (after a
// final separator, or of an empty text) is dropped.
QStringList splitText(QStringView text, QStringView separator);

// Rules of a rules text, one per line. A line with fewer than two fields becomes a rule whose name is the
// whole line and whose expression is empty, so that the user can see and repair it. A line with four or
// more fields keeps only its name and expression.
QList<Rule> parseRules(QStringView text);

// The rules text of rules: every rule with a name and an expression, each line ended by "\r\n"; rules
// lacking either are left out.
QString serializeRules(const QList<Rule> &rules);

} // namespace rw
