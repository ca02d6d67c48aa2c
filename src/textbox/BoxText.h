#pragma once

#include "core/tasks/RunState.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

class QPlainTextEdit;
class QTextDocument;

namespace rw {

// The box's text as it is now, with "\r\n" line breaks (for short texts: the expression, a save).
QString boxText(const QPlainTextEdit *box);

// The text of a text box as the engine and the files see it ("\r\n" line breaks), kept between edits:
// taking it again from an unchanged box costs nothing; taking it from a changed box copies the document's
// text out on the UI thread and converts it on a worker.
class BoxText final : public QObject {
    Q_OBJECT
public:
    // The text keeper of box, made on first use; it lives as long as the box.
    static BoxText *of(QPlainTextEdit *box);

    // Calls done with the box's text on the UI thread: at once when the box is unchanged since the text was
    // last taken or remembered, else when it has been read. Nothing is called once context is gone.
    void take(QObject *context, std::function<void(const QString &text)> done);

private:
    explicit BoxText(QPlainTextEdit *box);
    void watch();
    void invalidate();
    void deliver();

    struct Waiting {
        QPointer<QObject> context;
        std::function<void(const QString &)> done;
    };

    QPlainTextEdit *m_box;
    QPointer<QTextDocument> m_document;
    QMetaObject::Connection m_watch;
    QString m_text;
    bool m_valid = false;
    RunState m_reading;
    quint64 m_generation = 0;
    std::vector<Waiting> m_waiting;
};

} // namespace rw
