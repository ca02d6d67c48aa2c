#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace rw {

// The caption every message box carries unless a command names another.
inline const QString kInfoCaption = QStringLiteral("信息：");

// Message box, input box and open-file dialog. The program uses QtDialogs; tests answer in advance.
class Dialogs {
public:
    enum class Icon { None, Question, Warning };

    virtual ~Dialogs() = default;
    // A Yes/No question; true only for Yes.
    virtual bool askYesNo(QWidget *parent, const QString &text, const QString &caption = kInfoCaption,
                          Icon icon = Icon::Question) = 0;
    // A message with an OK button.
    virtual void tell(QWidget *parent, const QString &text, const QString &caption = kInfoCaption,
                      Icon icon = Icon::None) = 0;
    // The one-line input box: the typed text on confirmation (possibly empty), nullopt on cancel.
    // An empty title shows "请输入：".
    virtual std::optional<QString> askText(QWidget *parent, const QString &title,
                                           const QString &prompt = {}) = 0;
    // The open-file dialog: the chosen path, or an empty text when cancelled.
    virtual QString chooseOpenFile(QWidget *parent, const QString &title, const QString &filter,
                                   const QString &startDir, const QString &defaultSuffix) = 0;
    // The save-file dialog (it asks before replacing a file): the chosen path, or an empty text when
    // cancelled.
    virtual QString chooseSaveFile(QWidget *parent, const QString &title, const QString &filter,
                                   const QString &startDir, const QString &defaultSuffix) = 0;
};

} // namespace rw
