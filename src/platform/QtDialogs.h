#pragma once

#include "Dialogs.h"

namespace rw {

// Qt's own message box, a small input dialog and QFileDialog.
class QtDialogs final : public Dialogs {
public:
    bool askYesNo(QWidget *parent, const QString &text, const QString &caption, Icon icon) override;
    void tell(QWidget *parent, const QString &text, const QString &caption, Icon icon) override;
    std::optional<QString> askText(QWidget *parent, const QString &title, const QString &prompt) override;
    QString chooseSaveFile(QWidget *parent, const QString &title, const QString &filter,
                           const QString &startDir, const QString &defaultSuffix) override;
    QString chooseOpenFile(QWidget *parent, const QString &title, const QString &filter,
                           const QString &startDir, const QString &defaultSuffix) override;
};

} // namespace rw
