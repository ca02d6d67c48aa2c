#pragma once

#include <QFont>
#include <QString>
#include <QTextDocument>
#include <QTextOption>

#include <memory>

class QPlainTextEdit;
class QThread;

namespace rw {

// Large texts reach a QPlainTextEdit by building its document on a worker thread and swapping it in,
// so the UI thread pays only for the swap (about 0.15 s for 50 MB), not for setPlainText (about 3 s).
// The work runs as any other: a task of the TaskPool whose result a RunState's run delivers. What is
// left by hand is the document's thread affinity, which no run protocol can carry: a QTextDocument is
// a QObject, and one made on a worker belongs to it. So the worker lets go of it (moveToThread(nullptr))
// and whichever thread ends up with it pulls it over: the UI thread when it is shown, a worker when it
// is freed. Qt allows pulling an object that has no thread; nothing else moves objects between threads.

// What a new document takes over from the box's current one; read on the UI thread.
struct PlainDocumentSettings {
    QFont font;
    QTextOption option;
    qreal margin = 4;
    bool undoRedo = true;
    int maximumBlockCount = 0;
};

// The settings of box's current document.
PlainDocumentSettings plainDocumentSettings(const QPlainTextEdit *box);

// Builds a document holding text as plain text, laid out for a QPlainTextEdit; call it on a worker
// thread. The document is handed over to target (the box's thread) and has no parent.
std::unique_ptr<QTextDocument> buildPlainDocument(const QString &text, const PlainDocumentSettings &settings,
                                                  QThread *target);

// Makes doc (from buildPlainDocument) the box's content; UI thread. The undo history starts empty, as
// after setPlainText, and the previous document is freed on a worker thread.
void showPlainDocument(QPlainTextEdit *box, std::unique_ptr<QTextDocument> doc);

// Frees a document on a worker thread; call it on the document's own thread.
void disposeDocument(std::unique_ptr<QTextDocument> doc);

// A built document travelling to the UI thread; one dropped on the way is freed off that thread.
struct PendingDocument {
    std::unique_ptr<QTextDocument> doc;
    explicit PendingDocument(std::unique_ptr<QTextDocument> d) : doc(std::move(d)) {}
    PendingDocument(PendingDocument &&) = default;
    PendingDocument &operator=(PendingDocument &&) = default;
    ~PendingDocument();
};

} // namespace rw
