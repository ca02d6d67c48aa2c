#include "KeywordSearch.h"

#include "KeywordMarks.h"
#include "core/search/KeywordHits.h"
#include "core/tasks/TaskPool.h"
#include "core/text/DocumentText.h"
#include "platform/AppContext.h"
#include "platform/Dialogs.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>

namespace rw {

KeywordSearch::KeywordSearch(const KeywordSearchWidgets &widgets, AppContext &context, QObject *parent)
    : QObject(parent), m_widgets(widgets), m_context(context) {
    connect(m_widgets.searchButton, &QPushButton::clicked, this, &KeywordSearch::search);
    // Sent for Enter from either part of the keyboard.
    connect(m_widgets.keyword, &QLineEdit::returnPressed, this, &KeywordSearch::search);
    // Also sent when the box is given another document (a large text shown after its build).
    connect(m_widgets.source, &QPlainTextEdit::textChanged, this, &KeywordSearch::onSourceChanged);
}

KeywordSearch::~KeywordSearch() {
    abandon();
}

void KeywordSearch::search() {
    m_waiting.push_back(m_widgets.keyword->text());
    if (!m_busy)
        startNext();
}

void KeywordSearch::startNext() {
    m_busy = true;
    const QString keyword = m_waiting.front();
    m_waiting.pop_front();
    if (!m_stepper.begin(keyword)) {
        step();
        return;
    }
    if (keyword.isEmpty()) {
        // Nothing to count: only the marks of the previous keyword go.
        counted({});
        return;
    }
    count();
}

void KeywordSearch::count() {
    const RunState::Run run = m_runs.begin();
    runInBackground([this, run, text = text(), keyword = m_stepper.keyword()] {
        if (!run.isCurrent())
            return;
        std::vector<qsizetype> hits = findKeywordHits(text, keyword);
        // `this` is used on the UI thread only, and only while the run state (a member) exists.
        run.deliver([this, run, hits = std::move(hits)] {
            if (m_runs.finish(run))
                counted(hits);
        });
    });
}

void KeywordSearch::onSourceChanged() {
    m_textValid = false;
    m_text.clear();
    // The positions of a count under way would mark the wrong characters: count the new text instead.
    if (m_runs.isRunning())
        count();
}

void KeywordSearch::counted(const std::vector<qsizetype> &hits) {
    m_stepper.counted(qsizetype(hits.size()));
    KeywordMarks::of(m_widgets.source->document())->markFound(hits, m_stepper.keyword().size());
    const QString countText = m_stepper.countText();
    if (!countText.isEmpty())
        emit statusChanged(countText);
    step();
}

void KeywordSearch::step() {
    const std::optional<KeywordStepper::Hit> hit = m_stepper.step(text());
    if (!hit) {
        m_context.dialogs.tell(m_widgets.source->window(), KeywordStepper::noMoreText(), kInfoCaption,
                               Dialogs::Icon::None);
        finish();
        return;
    }
    emit statusChanged(KeywordStepper::hitText(*hit));
    QPlainTextEdit *box = m_widgets.source;
    KeywordMarks::of(box->document())->markVisited(hit->start, hit->length);
    // Selecting through the box scrolls the hit into view; the box shows its selection unfocused too.
    QTextCursor cursor(box->document());
    cursor.setPosition(int(hit->start));
    cursor.setPosition(int(hit->start + hit->length), QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
    finish();
}

void KeywordSearch::finish() {
    // The focus stays in (or comes back to) the keyword box, so that Enter steps on: in the source box it
    // would type over the selected hit.
    m_widgets.keyword->setFocus();
    m_busy = false;
    if (!m_waiting.empty() && !m_busy)
        startNext();
}

const QString &KeywordSearch::text() {
    if (!m_textValid) {
        m_text = paragraphsToLineFeeds(m_widgets.source->document()->toRawText());
        m_textValid = true;
    }
    return m_text;
}

} // namespace rw
