#include "ConvertCommand.h"

#include "ConvertTarget.h"
#include "JsonLine.h"
#include "PatternConverter.h"

#include <QStringList>

namespace rw {

namespace {

QString warningsJson(const std::vector<ConvertWarning> &warnings) {
    QStringList items;
    for (const ConvertWarning &w : warnings)
        items << QStringLiteral("{\"from\": %1, \"to\": %2, \"text\": %3}").arg(w.from).arg(w.to).arg(JsonLine::quote(w.text));
    return u'[' + items.join(QStringLiteral(", ")) + u']';
}

QString flagsJson(const ConvertedPattern &c) {
    if (c.target == ConvertTarget::JavaScript)
        return JsonLine::quote(c.flagsText());
    QStringList items;
    for (const QString &f : c.flags)
        items << JsonLine::quote(f);
    return u'[' + items.join(QStringLiteral(", ")) + u']';
}

QString errorLine(const QString &error, qsizetype offset = -1) {
    QString line = QStringLiteral("{\"error\": ") + JsonLine::quote(error);
    if (offset >= 0)
        line += QStringLiteral(", \"errorOffset\": %1").arg(offset);
    return line + QStringLiteral(", \"warnings\": []}");
}

// One input line's answer; understood is cleared for a line that is not a request.
QString answer(QStringView line, ConvertTarget target, bool &understood) {
    QString why;
    const std::optional<QVariantMap> request = JsonLine::parseObject(line, &why);
    understood = false;
    if (!request)
        return errorLine(QStringLiteral("输入行不是 JSON 对象：") + why);
    const QVariant pattern = request->value(QStringLiteral("pattern"));
    if (pattern.typeId() != QMetaType::QString)
        return errorLine(QStringLiteral("输入行缺少字符串成员 \"pattern\""));
    RegexOptions options;
    const auto flag = [&](const char *name, bool fallback, bool &ok) {
        const QVariant v = request->value(QString::fromLatin1(name));
        if (!v.isValid())
            return fallback;
        if (v.typeId() != QMetaType::Bool)
            ok = false;
        return v.toBool();
    };
    bool ok = true;
    options.ignoreCase = !flag("caseSensitive", false, ok);
    options.multiline = flag("multiline", true, ok);
    options.global = flag("global", true, ok);
    if (!ok)
        return errorLine(QStringLiteral("caseSensitive、multiline、global 应是 true 或 false"));
    std::optional<QString> replacement;
    if (request->contains(QStringLiteral("replacement"))) {
        const QVariant r = request->value(QStringLiteral("replacement"));
        if (r.typeId() != QMetaType::QString)
            return errorLine(QStringLiteral("\"replacement\" 应是字符串"));
        replacement = r.toString();
    }
    understood = true;
    const ConvertedPattern c = PatternConverter::convert(pattern.toString(), options, target, replacement);
    if (!c.isValid())
        return errorLine(c.error.text(), c.error.offset);
    QString out = QStringLiteral("{\"pattern\": ") + JsonLine::quote(c.pattern) +
                  QStringLiteral(", \"flags\": ") + flagsJson(c);
    if (c.hasReplacement) {
        out += QStringLiteral(", \"replacement\": ") + JsonLine::quote(c.replacement);
        if (c.replacementIsCode)
            out += QStringLiteral(", \"replacementIsCode\": true");
    }
    return out + QStringLiteral(", \"warnings\": ") + warningsJson(c.warnings) + u'}';
}

} // namespace

QString convertTargetsHelp() {
    QStringList ids;
    for (const ConvertTargetInfo &info : convertTargets())
        ids << info.id;
    return ids.join(QStringLiteral(", "));
}

int runConvertCommand(const QString &targetId, QIODevice &in, QIODevice &out, QIODevice &err) {
    const std::optional<ConvertTarget> target = convertTargetFromId(targetId);
    if (!target) {
        err.write(QStringLiteral("未知的目标语言 \"%1\"；可选：%2\n").arg(targetId, convertTargetsHelp()).toUtf8());
        return 2;
    }
    int code = 0;
    while (!in.atEnd() || in.bytesAvailable() > 0) {
        QByteArray bytes = in.readLine();
        if (bytes.isEmpty() && in.atEnd())
            break;
        while (bytes.endsWith('\n') || bytes.endsWith('\r'))
            bytes.chop(1);
        const QString line = QString::fromUtf8(bytes);
        if (line.trimmed().isEmpty())
            continue;
        bool understood = true;
        out.write((answer(line, *target, understood) + u'\n').toUtf8());
        if (!understood)
            code = 1;
    }
    return code;
}

} // namespace rw
