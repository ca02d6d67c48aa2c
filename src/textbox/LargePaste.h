#pragma once

#include "core/tasks/RunState.h"

#include <QObject>

namespace rw {

class TextEditor;

// Pastes the clipboard's text into a big text box. A short text goes in as the box's own paste does; a
// text of megabytes is cut into the store's chunks on a worker first and then goes in as one undo step.
// Meanwhile the box is read-only, so no typing lands where the paste goes.
class LargePaste final : public QObject {
    Q_OBJECT
public:
    // Texts of at least threshold characters take the worker's path.
    static constexpr qsizetype kDefaultThreshold = 2 * 1024 * 1024;

    // Takes over the box's paste key (Ctrl+V, Shift+Insert).
    explicit LargePaste(TextEditor *box, qsizetype threshold = kDefaultThreshold, QObject *parent = nullptr);
    ~LargePaste() override;

    // Pastes over the box's selection.
    void paste();
    // Replaces the box's whole text with the clipboard's text.
    void replaceAll();
    // Whether a large paste is being built.
    bool isBuilding() const { return m_runs.isRunning(); }

signals:
    // A large paste has gone into the box.
    void finished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pasteOver(qsizetype from, qsizetype to);

    TextEditor *m_box;
    qsizetype m_threshold;
    RunState m_runs;
    bool m_wasReadOnly = false;
};

} // namespace rw
