#include "LargeText.h"

#include "AffordableWrap.h"
#include "core/tasks/TaskPool.h"
#include "core/text/LongLines.h"

#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QThread>

namespace rw {

PlainDocumentSettings plainDocumentSettings(const QPlainTextEdit *box) {
    const QTextDocument *doc = box->document();
    return {doc->defaultFont(), doc->defaultTextOption(), doc->documentMargin(), doc->isUndoRedoEnabled(),
            doc->maximumBlockCount()};
}

std::unique_ptr<QTextDocument> buildPlainDocument(const QString &text, const PlainDocumentSettings &settings,
                                                  QThread *target) {
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(settings.font);
    QTextOption option = settings.option;
    if (option.wrapMode() != QTextOption::NoWrap)
        option.setWrapMode(hasLongUnbrokenRun(text) ? QTextOption::WrapAnywhere
                                                    : QTextOption::WrapAtWordBoundaryOrAnywhere);
    doc->setDefaultTextOption(option);
    doc->setDocumentMargin(settings.margin);
    doc->setMaximumBlockCount(settings.maximumBlockCount);
    // The plain layout only counts lines per block here; the shaping waits until a block shows.
    doc->setDocumentLayout(new QPlainTextDocumentLayout(doc.get()));
    doc->setUndoRedoEnabled(false);
    doc->setPlainText(text);
    doc->setUndoRedoEnabled(settings.undoRedo);
    // The box clears every block's layout when it takes the document; creating them here halves that.
    for (QTextBlock block = doc->firstBlock(); block.isValid(); block = block.next())
        block.layout();
    doc->moveToThread(target);
    return doc;
}

PendingDocument::~PendingDocument() {
    disposeDocument(std::move(doc));
}

void disposeDocument(std::unique_ptr<QTextDocument> doc) {
    if (!doc)
        return;
    // Freeing a large document takes as long as filling it; no thread keeps it, so it can go anywhere.
    doc->setParent(nullptr);
    doc->moveToThread(nullptr);
    QTextDocument *d = doc.release();
    if (!runInBackground([d] { delete d; }))
        delete d; // the application is closing: no worker takes new work
}

void showPlainDocument(QPlainTextEdit *box, std::unique_ptr<QTextDocument> doc) {
    std::unique_ptr<QTextDocument> previous(box->document());
    // A document without the box as parent is not deleted by setDocument; it goes after the swap.
    previous->setParent(nullptr);
    QTextDocument *shown = doc.release();
    shown->setParent(box);
    const QTextOption::WrapMode wrap = shown->defaultTextOption().wrapMode();
    // The box gives every document it takes its own wrap mode: switch that over an empty document, so that
    // neither the old text nor the new one is laid out twice. The box lets go of it at the next swap.
    QTextDocument interim;
    if (box->lineWrapMode() != QPlainTextEdit::NoWrap && box->wordWrapMode() != wrap) {
        interim.setDocumentLayout(new QPlainTextDocumentLayout(&interim));
        box->setDocument(&interim);
        box->setWordWrapMode(wrap);
    }
    box->setDocument(shown);
    keepWrappingAffordable(box);
    disposeDocument(std::move(previous));
}

} // namespace rw
