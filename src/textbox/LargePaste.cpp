#include "LargePaste.h"

#include "LargeText.h"
#include "core/tasks/TaskPool.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>

namespace rw {

namespace {

// The text with every line break as the box's paste makes it: "\r\n", "\r" and U+2029 become "\n".
QString withLineFeeds(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

} // namespace

LargePaste::LargePaste(QPlainTextEdit *box, qsizetype threshold, QObject *parent)
    : QObject(parent), m_box(box), m_threshold(threshold) {
    m_box->installEventFilter(this);
}

LargePaste::~LargePaste() {
    if (m_runs.isRunning())
        m_box->setReadOnly(m_wasReadOnly);
}

bool LargePaste::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_box && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste)) {
        if (!m_box->isReadOnly())
            paste();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void LargePaste::paste() {
    const QTextCursor cursor = m_box->textCursor();
    pasteOver(cursor.selectionStart(), cursor.selectionEnd());
}

void LargePaste::replaceAll() {
    pasteOver(0, m_box->document()->characterCount() - 1);
}

void LargePaste::pasteOver(qsizetype from, qsizetype to) {
    if (m_runs.isRunning())
        return;
    const QString text = QGuiApplication::clipboard()->text();
    if (text.size() < m_threshold) {
        QTextCursor cursor = m_box->textCursor();
        cursor.setPosition(int(from));
        cursor.setPosition(int(to), QTextCursor::KeepAnchor);
        cursor.insertText(text);
        m_box->setTextCursor(cursor);
        return;
    }
    // The document's raw text holds one character per position, so the selection cuts it where it cuts
    // the box; only its paragraph separators need turning into line feeds, as toPlainText would (but
    // without also turning no-break spaces into spaces).
    const QString raw = m_box->document()->toRawText();
    const PlainDocumentSettings settings = plainDocumentSettings(m_box);
    QThread *uiThread = thread();
    const RunState::Run run = m_runs.begin();
    m_wasReadOnly = m_box->isReadOnly();
    m_box->setReadOnly(true);
    runInBackground([this, run, raw, text, from, to, settings, uiThread] {
        const QString pasted = withLineFeeds(text);
        const QString whole = withLineFeeds(raw.left(from)) + pasted + withLineFeeds(raw.mid(to));
        auto pending = std::make_shared<PendingDocument>(buildPlainDocument(whole, settings, uiThread));
        const qsizetype caret = from + pasted.size();
        run.deliver([this, run, pending, caret] {
            m_runs.finish(run);
            m_box->setReadOnly(m_wasReadOnly);
            showPlainDocument(m_box, std::move(pending->doc));
            QTextCursor cursor(m_box->document());
            cursor.setPosition(int(caret));
            m_box->setTextCursor(cursor);
            m_box->ensureCursorVisible();
            emit finished();
        });
    });
}

} // namespace rw
