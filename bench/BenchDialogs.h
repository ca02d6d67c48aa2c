#pragma once

#include "platform/Dialogs.h"

#include <QString>

#include <optional>

namespace rwbench {

// Dialogs that never show, so no modal loop can stop a run: every question gets the same answer, messages
// go nowhere, the input box gives the prepared text (cancelled unless set) and the open-file dialog
// chooses the prepared path.
class BenchDialogs final : public rw::Dialogs {
public:
    // The answer to every Yes/No question.
    bool answer = false;
    // What the open-file dialog chooses; empty for a cancel.
    QString file;
    // What the input box answers; nullopt for a cancel.
    std::optional<QString> text;

    bool askYesNo(QWidget *, const QString &, const QString &, Icon) override { return answer; }
    void tell(QWidget *, const QString &, const QString &, Icon) override {}
    std::optional<QString> askText(QWidget *, const QString &, const QString &) override { return text; }
    QString chooseOpenFile(QWidget *, const QString &, const QString &, const QString &,
                           const QString &) override {
        return file;
    }
    QString chooseSaveFile(QWidget *, const QString &, const QString &, const QString &,
                           const QString &) override {
        return file;
    }
};

} // namespace rwbench
