#pragma once

#include "Rule.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace rw {

// The line format of the rules file: name----expression[----description], one rule a line. Reading takes
// "\r\n", "\n" and a lone "\r" as line ends; writing ends every line with "\r\n".

// Splits text at every separator; empty pieces between separators count. An empty last piece (after a
// final separator, or of an empty text) is dropped.
QStringList splitText(QStringView text, QStringView separator);

// field with each line break ("\r\n", "\n" or a lone "\r") as one space: a field is one line of the file.
QString singleLine(QString field);

// The lines of text, split at "\r\n", "\n" and lone "\r"; a break at the very end adds no empty line.
QStringList splitLines(QStringView text);

// Rules of a rules text, one per line. A line with fewer than two fields becomes a rule whose name is the
// whole line and whose expression is empty, so that the user can see and repair it. A line with four or
// more fields keeps only its name and expression.
QList<Rule> parseRules(QStringView text);

// The rules text of rules: every rule with a name and an expression, each line ended by "\r\n"; rules
// lacking either are left out. A line break inside a field is written as a space (see singleLine).
QString serializeRules(const QList<Rule> &rules);

} // namespace rw
