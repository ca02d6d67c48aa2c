#pragma once

#include "core/tasks/RunState.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

class QPlainTextEdit;

namespace rw {

class TextEditor;

// The box's text as it is now, with "\r\n" line breaks (for short texts: the expression, a save).
QString boxText(const QPlainTextEdit *box);

// The text of a big text box as the engine and the files see it ("\r\n" line breaks), kept between edits:
// taking it again from an unchanged box costs nothing; taking it from a changed box takes a snapshot (a
// copy of the chunk list) and joins it on a worker.
class BoxText final : public QObject {
    Q_OBJECT
public:
    // The text keeper of box, made on first use; it lives as long as the box.
    static BoxText *of(TextEditor *box);

    // Calls done on the UI thread with the box's text as it is at this call: at once when the box is
    // unchanged since the text was last taken, else when it has been joined. Nothing is called once
    // context is gone.
    void take(QObject *context, std::function<void(const QString &text)> done);
    // While a big text's first screen stands in for it, the box's text is not the text: takers wait
    // until every hold is released, and then get the box's text as it is at that point.
    void hold();
    void release();

private:
    explicit BoxText(TextEditor *box);
    void deliver();

    struct Waiting {
        QPointer<QObject> context;
        std::function<void(const QString &)> done;
        quint64 revision = 0;
    };

    TextEditor *m_box;
    QString m_text;
    quint64 m_revision = 0;
    bool m_valid = false;
    RunState m_reading;
    std::vector<Waiting> m_waiting;
    int m_holds = 0;
    std::vector<Waiting> m_waitingForHold;
};

} // namespace rw
