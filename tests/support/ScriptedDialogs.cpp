#include "ScriptedDialogs.h"

namespace rw {

bool ScriptedDialogs::askYesNo(QWidget *, const QString &text, const QString &caption, Icon icon) {
    asked.append({QStringLiteral("yesno"), text, caption, icon});
    if (yesNo.empty())
        return false;
    const bool answer = yesNo.front();
    yesNo.pop_front();
    return answer;
}

void ScriptedDialogs::tell(QWidget *, const QString &text, const QString &caption, Icon icon) {
    asked.append({QStringLiteral("tell"), text, caption, icon});
}

std::optional<QString> ScriptedDialogs::askText(QWidget *, const QString &title, const QString &prompt) {
    asked.append({QStringLiteral("text"), prompt, title, Icon::None});
    if (texts.empty())
        return std::nullopt;
    const bool confirmed = texts.front().has_value();
    const QString typed = texts.front().value_or(QString());
    texts.pop_front();
    return confirmed ? std::optional<QString>(typed) : std::nullopt;
}

QString ScriptedDialogs::chooseSaveFile(QWidget *parent, const QString &title, const QString &filter,
                                        const QString &startDir, const QString &defaultSuffix) {
    QString answer = chooseOpenFile(parent, title, filter, startDir, defaultSuffix);
    asked.last().kind = QStringLiteral("save");
    return answer;
}

QString ScriptedDialogs::chooseOpenFile(QWidget *, const QString &title, const QString &filter,
                                        const QString &startDir, const QString &defaultSuffix) {
    asked.append({QStringLiteral("file"), QString(), title, Icon::None});
    lastFileDir = startDir;
    lastFileFilter = filter;
    lastFileSuffix = defaultSuffix;
    if (files.empty())
        return {};
    QString answer = files.front();
    files.pop_front();
    return answer;
}

} // namespace rw
