#include "KeywordSearch.h"

#include "KeywordMarks.h"
#include "app/MainWindowUi.h"
#include "platform/AppContext.h"
#include "platform/Dialogs.h"
#include "core/search/KeywordHits.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>

namespace rw {

namespace {
const QString kNoMore = QStringLiteral("没有啦");
} // namespace

KeywordSearch::KeywordSearch(MainWindowUi &ui, AppContext &context, QWidget *window)
    : QObject(window), m_ui(ui), m_context(context), m_window(window) {
    connect(m_ui.searchButton, &QPushButton::clicked, this, &KeywordSearch::search);
    // Sent for Enter from either part of the keyboard.
    connect(m_ui.keyword, &QLineEdit::returnPressed, this, &KeywordSearch::search);
}

KeywordSearch::~KeywordSearch() {
    abandon();
}

void KeywordSearch::search() {
    m_waiting.push_back(m_ui.keyword->text());
    if (!m_busy)
        startNext();
}

void KeywordSearch::startNext() {
    m_busy = true;
    m_keyword = m_waiting.front();
    m_waiting.pop_front();
    if (m_keyword == m_lastKeyword) {
        findNext();
        return;
    }
    m_lastKeyword = m_keyword;
    m_nextStart = 0;
    m_hit = 0;
    m_total = 0;
    if (m_keyword.isEmpty()) {
        KeywordMarks::of(m_ui.sourceText->document())->clear();
        findNext();
        return;
    }
    count();
}

void KeywordSearch::count() {
    QTextDocument *doc = m_ui.sourceText->document();
    KeywordMarks *marks = KeywordMarks::of(doc);
    const quint64 run = m_runs.begin();
    const quint64 edits = marks->edits();
    runInBackground([this, run, doc, edits, text = marks->plainText(), keyword = m_keyword] {
        std::vector<qsizetype> hits = findKeywordHits(text, keyword);
        postTo(this, [this, run, doc, edits, hits = std::move(hits)]() mutable {
            counted(run, doc, edits, std::move(hits));
        });
    });
}

void KeywordSearch::counted(quint64 run, QTextDocument *doc, quint64 edits, std::vector<qsizetype> hits) {
    if (!m_runs.isCurrent(run))
        return;
    m_runs.abandon();
    // The text changed under the count: its positions would mark the wrong characters.
    if (m_ui.sourceText->document() != doc || KeywordMarks::of(doc)->edits() != edits) {
        count();
        return;
    }
    m_total = qsizetype(hits.size());
    KeywordMarks::of(doc)->markFound(hits, m_keyword.size());
    if (m_total > 0)
        m_ui.setStatus(QStringLiteral("一共搜到 %1 个 %2").arg(m_total).arg(m_keyword));
    findNext();
}

void KeywordSearch::findNext() {
    QPlainTextEdit *box = m_ui.sourceText;
    QTextDocument *doc = box->document();
    KeywordMarks *marks = KeywordMarks::of(doc);
    const qsizetype at = m_keyword.isEmpty() ? -1 : marks->plainText().indexOf(m_keyword, m_nextStart);
    if (at < 0) {
        m_context.dialogs.tell(m_window, kNoMore, kInfoCaption, Dialogs::Icon::None);
        finish();
        return;
    }
    ++m_hit;
    m_ui.setStatus(QStringLiteral("搜索结果 %1/%2").arg(m_hit).arg(m_total));
    box->setFocus();
    marks->markVisited(at, m_keyword.size());
    QTextCursor cursor(doc);
    cursor.setPosition(int(at));
    cursor.setPosition(int(at + m_keyword.size()), QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
    m_nextStart = at + 1;
    finish();
}

void KeywordSearch::finish() {
    m_busy = false;
    if (!m_waiting.empty() && !m_busy)
        startNext();
}

} // namespace rw
