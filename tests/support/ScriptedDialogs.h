#pragma once

#include "platform/Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

namespace rw {

// Answers the window's dialogs from answers given in advance and records what was asked, so tests
// never enter a modal loop. An unexpected question gets No / cancel / no file.
class ScriptedDialogs final : public Dialogs {
public:
    struct Asked {
        QString kind;    // "yesno", "tell", "text", "file"
        QString text;    // message, or the prompt of an input box
        QString caption; // caption or title
        Icon icon = Icon::None;
    };

    std::deque<bool> yesNo;
    std::deque<std::optional<QString>> texts;
    std::deque<QString> files;
    QList<Asked> asked;
    // The start directory, filter and default suffix of the last open-file dialog.
    QString lastFileDir, lastFileFilter, lastFileSuffix;

    bool askYesNo(QWidget *parent, const QString &text, const QString &caption, Icon icon) override;
    void tell(QWidget *parent, const QString &text, const QString &caption, Icon icon) override;
    std::optional<QString> askText(QWidget *parent, const QString &title, const QString &prompt) override;
    QString chooseOpenFile(QWidget *parent, const QString &title, const QString &filter,
                           const QString &startDir, const QString &defaultSuffix) override;
    // Answered from files too; recorded as "save".
    QString chooseSaveFile(QWidget *parent, const QString &title, const QString &filter,
                           const QString &startDir, const QString &defaultSuffix) override;
};

} // namespace rw
