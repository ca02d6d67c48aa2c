#include "RulesCodec.h"

namespace rw {

namespace {

const QString FieldSeparator = QStringLiteral("----");
const QString LineSeparator = QStringLiteral("\r\n");

} // namespace

QStringList splitText(QStringView text, QStringView separator) {
    QStringList pieces;
    if (separator.isEmpty()) {
        if (!text.isEmpty())
            pieces.append(text.toString());
        return pieces;
    }
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(separator); at >= 0; at = text.indexOf(separator, from)) {
        pieces.append(text.sliced(from, at - from).toString());
        from = at + separator.size();
    }
    if (from < text.size())
        pieces.append(text.sliced(from).toString());
    return pieces;
}

QString singleLine(QString field) {
    // A "\r\n" is one break and becomes one space.
    field.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (QChar &c : field) {
        if (c == u'\r' || c == u'\n')
            c = u' ';
    }
    return field;
}

QStringList splitLines(QStringView text) {
    QStringList lines;
    qsizetype from = 0;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar c = text[at];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.sliced(from, at - from).toString());
        if (c == u'\r' && at + 1 < text.size() && text[at + 1] == u'\n')
            ++at;
        from = at + 1;
    }
    if (from < text.size())
        lines.append(text.sliced(from).toString());
    return lines;
}

QList<Rule> parseRules(QStringView text) {
    QList<Rule> rules;
    const QStringList lines = splitLines(text);
    rules.reserve(lines.size());
    for (const QString &line : lines) {
        const QStringList fields = splitText(line, FieldSeparator);
        Rule rule;
        if (fields.size() < 2) {
            rule.name = line;
        } else {
            rule.name = fields[0];
            rule.expression = fields[1];
            if (fields.size() == 3)
                rule.description = fields[2];
        }
        rules.append(rule);
    }
    return rules;
}

QString serializeRules(const QList<Rule> &rules) {
    QString text;
    for (const Rule &rule : rules) {
        if (rule.name.isEmpty() || rule.expression.isEmpty())
            continue;
        text += singleLine(rule.name) + FieldSeparator + singleLine(rule.expression);
        if (!rule.description.isEmpty())
            text += FieldSeparator + singleLine(rule.description);
        text += LineSeparator;
    }
    return text;
}

} // namespace rw
