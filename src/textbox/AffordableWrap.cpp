#include "AffordableWrap.h"

#include "core/text/LongLines.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBlock>
#include <QTextDocument>

namespace rw {

namespace {

// Follows the document a box shows; lives as the box's child.
class WrapWatcher final : public QObject {
    Q_OBJECT // so that findChild tells it from the box's other children
        public : explicit WrapWatcher(QPlainTextEdit *box)
        : QObject(box), m_box(box) {}

    void watch() {
        QTextDocument *document = m_box->document();
        if (document == m_document)
            return;
        disconnect(m_connection);
        m_document = document;
        // The document tells of a change before it lays the changed blocks out, so switching here spares
        // that layout too.
        m_connection = connect(document, &QTextDocument::contentsChange, this,
                               [this](int position, int, int added) { check(position, added); });
    }

private:
    void check(int position, int added) {
        if (added <= kLongUnbrokenRun || !m_document || m_box->wordWrapMode() == QTextOption::WrapAnywhere ||
            m_box->lineWrapMode() == QPlainTextEdit::NoWrap)
            return;
        const QTextBlock last = m_document->findBlock(position + added);
        for (QTextBlock block = m_document->findBlock(position); block.isValid(); block = block.next()) {
            if (block.length() > kLongUnbrokenRun && hasLongUnbrokenRun(block.text())) {
                m_box->setWordWrapMode(QTextOption::WrapAnywhere);
                return;
            }
            if (block == last)
                return;
        }
    }

    QPlainTextEdit *m_box;
    QPointer<QTextDocument> m_document;
    QMetaObject::Connection m_connection;
};

} // namespace

void keepWrappingAffordable(QPlainTextEdit *box) {
    auto *watcher = box->findChild<WrapWatcher *>(QString(), Qt::FindDirectChildrenOnly);
    if (!watcher)
        watcher = new WrapWatcher(box);
    watcher->watch();
}

} // namespace rw

#include "AffordableWrap.moc"
