#include "KeywordSearch.h"

#include "core/search/KeywordHits.h"
#include "core/tasks/TaskPool.h"
#include "platform/AppContext.h"
#include "platform/Dialogs.h"
#include "textbox/TextEditor.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>

namespace rw {

namespace {
// A step reading an edited text reads at most this many windows (kKeywordWindow) per turn of the event
// loop, and stops sooner once this much time has gone.
constexpr int kWindowsPerSlice = 4;
constexpr qint64 kSliceMillis = 20;
} // namespace

KeywordSearch::KeywordSearch(const KeywordSearchWidgets &widgets, AppContext &context, QObject *parent)
    : QObject(parent), m_widgets(widgets), m_context(context), m_marks(widgets.source) {
    connect(m_widgets.searchButton, &QPushButton::clicked, this, &KeywordSearch::search);
    // Sent for Enter from either part of the keyboard.
    connect(m_widgets.keyword, &QLineEdit::returnPressed, this, &KeywordSearch::search);
    // Also sent when the box is given another text (a large one, after its build).
    connect(m_widgets.source, &TextEditor::contentsChange, this, &KeywordSearch::onContentsChange);
    m_nextSlice.setSingleShot(true);
    m_nextSlice.setInterval(0);
    connect(&m_nextSlice, &QTimer::timeout, this, &KeywordSearch::scanSlice);
}

KeywordSearch::~KeywordSearch() {
    abandon();
}

void KeywordSearch::abandon() {
    m_runs.stop();
    m_nextSlice.stop();
    m_scanning = false;
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
    m_hits = {};
    m_hitsRevision.reset();
    if (keyword.isEmpty()) {
        // Nothing to count: only the marks of the previous keyword go.
        counted({}, {}, m_widgets.source->revision());
        return;
    }
    count();
}

void KeywordSearch::count() {
    const RunState::Run run = m_runs.begin();
    const TextEditor *box = m_widgets.source;
    runInBackground(
        [this, run, text = box->snapshot(), revision = box->revision(), keyword = m_stepper.keyword()] {
            if (!run.isCurrent())
                return;
            const QString plain = text.toPlain();
            if (!run.isCurrent())
                return;
            std::vector<qsizetype> hits = findKeywordHits(plain, keyword);
            MarkList found;
            found.assign(hits, keyword.size(), MarkList::Kind::Found);
            // `this` is used on the UI thread only, and only while the run state (a member) exists.
            run.deliver([this, run, revision, hits = std::move(hits), found = std::move(found)]() mutable {
                if (m_runs.finish(run))
                    counted(std::move(hits), std::move(found), revision);
            });
        });
}

void KeywordSearch::onContentsChange(qsizetype position, qsizetype, qsizetype) {
    // The positions of a count under way would mark the wrong characters: count the new text instead.
    if (m_runs.isRunning())
        count();
    // The edit may have made an occurrence starting up to keyword.size() - 1 characters before it; one
    // before nextStart() has moved all the text read so far.
    if (m_scanning)
        m_scanFrom =
            std::min(m_scanFrom, std::max(m_stepper.nextStart(), position - m_stepper.keyword().size() + 1));
}

void KeywordSearch::counted(std::vector<qsizetype> hits, MarkList found, quint64 revision) {
    m_stepper.counted(qsizetype(hits.size()));
    m_marks.markFound(std::move(found));
    m_hits = std::move(hits);
    m_hitsRevision = revision;
    const QString countText = m_stepper.countText();
    if (!countText.isEmpty())
        emit statusChanged(countText);
    step();
}

void KeywordSearch::step() {
    const TextEditor *box = m_widgets.source;
    if (m_stepper.keyword().isEmpty()) {
        stepped(-1);
        return;
    }
    if (m_hitsRevision == box->revision()) {
        stepped(nextKeywordHit(box->store(), m_stepper.keyword(), m_hits, m_stepper.nextStart()));
        return;
    }
    // The text changed since the count: read it on from the previous hit.
    m_scanning = true;
    m_scanFrom = m_stepper.nextStart();
    scanSlice();
}

void KeywordSearch::scanSlice() {
    const TextStore &text = m_widgets.source->store();
    const QString &keyword = m_stepper.keyword();
    // Past the last position an occurrence can start at.
    const qsizetype end = text.size() - keyword.size() + 1;
    QElapsedTimer spent;
    spent.start();
    for (int window = 0; m_scanFrom < end; ++window) {
        if (window == kWindowsPerSlice || (window > 0 && spent.elapsed() >= kSliceMillis)) {
            m_nextSlice.start();
            return;
        }
        const qsizetype to = std::min(end, m_scanFrom + kKeywordWindow);
        const qsizetype at = findKeywordIn(text, keyword, m_scanFrom, to);
        if (at >= 0) {
            m_scanning = false;
            stepped(at);
            return;
        }
        m_scanFrom = to;
    }
    m_scanning = false;
    stepped(-1);
}

void KeywordSearch::stepped(qsizetype at) {
    TextEditor *box = m_widgets.source;
    const std::optional<KeywordStepper::Hit> hit = m_stepper.stepTo(at);
    if (!hit) {
        m_context.dialogs.tell(box->window(), KeywordStepper::noMoreText(), kInfoCaption,
                               Dialogs::Icon::None);
        finish();
        return;
    }
    emit statusChanged(KeywordStepper::hitText(*hit));
    m_marks.markVisited(hit->start, hit->length);
    // Selecting through the box scrolls the hit into view; the box shows its selection unfocused too.
    box->setSelection(hit->start, hit->start + hit->length);
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

} // namespace rw
