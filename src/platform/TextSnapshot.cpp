#include "TextSnapshot.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <memory>

namespace rw {

namespace {

// About 5 ms of copying per slice on this kind of machine.
constexpr int kSliceChars = 1 << 20;

struct Reading {
    QPointer<QTextDocument> document;
    QPointer<QObject> context;
    std::function<void(QString)> done;
    QString text;
    int position = 0;
    bool changed = false;
    QMetaObject::Connection watch;
};

QString slice(QTextDocument *document, int from, int to)
{
    QTextCursor cursor(document);
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

void step(const std::shared_ptr<Reading> &r)
{
    if (!r->document || !r->context) {
        QObject::disconnect(r->watch);
        return;
    }
    if (r->changed) {
        r->changed = false;
        r->text.clear();
        r->position = 0;
    }
    // The last position is the document's final paragraph end, which is not part of the text.
    const int end = r->document->characterCount() - 1;
    const int to = std::min(end, r->position + kSliceChars);
    if (r->position == 0)
        r->text.reserve(end);
    r->text += slice(r->document, r->position, to);
    r->position = to;
    if (to < end) {
        QTimer::singleShot(0, r->context, [r] { step(r); });
        return;
    }
    QObject::disconnect(r->watch);
    r->done(std::move(r->text));
}

} // namespace

void takeText(QPlainTextEdit *box, QObject *context, std::function<void(QString raw)> done)
{
    QTextDocument *document = box->document();
    if (document->characterCount() - 1 <= kSliceChars) {
        done(document->toRawText());
        return;
    }
    auto r = std::make_shared<Reading>();
    r->document = document;
    r->context = context;
    r->done = std::move(done);
    r->watch = QObject::connect(document, &QTextDocument::contentsChange, context,
                                [raw = r.get()](int, int, int) { raw->changed = true; });
    step(r);
}

} // namespace rw
