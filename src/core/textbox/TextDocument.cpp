#include "TextDocument.h"

#include "core/tasks/TaskPool.h"

namespace rw {

namespace {
// A merged undo step (typing, Backspaces, Deletes) takes no more once it holds this many characters, so
// that merging stays cheap per key.
constexpr qsizetype kMergedStep = 4096;
} // namespace

void TextDocument::reset(TextStore store) {
    // The old text, its history and its marks go on a worker.
    freeInBackground(std::exchange(m_store, std::move(store)));
    freeInBackground(std::exchange(m_undo, {}));
    freeInBackground(std::exchange(m_redo, {}));
    // No mark outlives the text it was on: dropped whole rather than followed through the change.
    for (MarkList &layer : m_layers)
        freeInBackground(std::exchange(layer, MarkList()));
    ++m_revision;
}

TextChange TextDocument::replace(qsizetype position, qsizetype length, const TextPiece &text, Caret before,
                                 EditKind kind, bool joinPrevious) {
    position = std::clamp<qsizetype>(position, 0, m_store.size());
    length = std::clamp<qsizetype>(length, 0, m_store.size() - position);
    if (length == 0 && text.isEmpty())
        return {position, 0, 0};
    Edit e;
    e.position = position;
    e.before = before;
    // Typing over a selection, or a line break, is a step of its own (that later typing may join).
    if (kind == EditKind::Typing && (length != 0 || text.toString().contains(u'\n')))
        kind = EditKind::Block;
    e.kind = kind;
    e.removed = m_store.replace(position, length, text);
    e.inserted = text;
    e.joinedToPrevious = joinPrevious && !m_undo.empty();
    e.mergeable = !e.joinedToPrevious;
    if (e.joinedToPrevious)
        m_undo.back().mergeable = false;
    if (e.joinedToPrevious || !mergeIntoLastStep(e))
        m_undo.push_back(std::move(e));
    m_redo.clear();
    return applied(position, length, text.size());
}

bool TextDocument::mergeIntoLastStep(const Edit &e) {
    // Undo steps group as a text document groups them. A typed character (no selection, no line break)
    // joins the step before when that step's text ends where it goes in: a run of typing, and typing
    // right after a paste, an input-method commit or typing over a selection. Backspaces and Deletes
    // without a selection join a run of such removals. Everything else (line breaks, pastes, commits,
    // selections removed or typed over, word deletions) starts a step of its own. A merged step takes
    // no more once it holds kMergedStep characters, so merging stays cheap per key.
    if (m_undo.empty() || e.kind == EditKind::Block)
        return false;
    Edit &last = m_undo.back();
    if (!last.mergeable || last.inserted.size() + last.removed.size() > kMergedStep)
        return false;
    if (e.kind == EditKind::Typing) {
        if (last.inserted.isEmpty() || last.position + last.inserted.size() != e.position)
            return false;
        // Typing never joins a step that broke a line.
        const QString before = last.inserted.toString();
        if (before.contains(u'\n'))
            return false;
        last.inserted = TextPiece(before + e.inserted.toString());
        return true;
    }
    // Removals join only a run in the same direction: a Delete and a Backspace around a freshly typed
    // character stay two steps in a text document too.
    if (last.kind != e.kind)
        return false;
    if (e.kind == EditKind::Backspace && e.position + e.removed.size() == last.position) {
        last.removed = TextPiece(e.removed.toString() + last.removed.toString());
        last.position = e.position;
        return true;
    }
    if (e.kind == EditKind::Delete && e.position == last.position) {
        last.removed = TextPiece(last.removed.toString() + e.removed.toString());
        return true;
    }
    return false;
}

TextDocument::Travel TextDocument::travel(bool back) {
    std::vector<Edit> &from = back ? m_undo : m_redo;
    std::vector<Edit> &to = back ? m_redo : m_undo;
    Travel result;
    for (bool more = !from.empty(); more;) {
        Edit e = std::move(from.back());
        from.pop_back();
        // Undoing puts the removed text back over the inserted one, redoing does the edit again; either
        // way the caret goes after the text that came in, without a selection, as in QPlainTextEdit.
        const TextPiece &out = back ? e.inserted : e.removed;
        const TextPiece &in = back ? e.removed : e.inserted;
        m_store.replace(e.position, out.size(), in);
        result.changes.push_back(applied(e.position, out.size(), in.size()));
        const qsizetype after = e.position + in.size();
        result.caret = {after, after};
        // A joined step goes back whole: undone from its last edit down, redone from its first edit up.
        more = !from.empty() && (back ? e.joinedToPrevious : from.back().joinedToPrevious);
        // Undone whole, a joined step leaves the caret and selection as they were before it.
        if (back && !more && result.changes.size() > 1)
            result.caret = e.before;
        // Neither the step that came back nor the one now below it takes more typing.
        e.mergeable = false;
        to.push_back(std::move(e));
    }
    if (!m_undo.empty())
        m_undo.back().mergeable = false;
    return result;
}

TextChange TextDocument::applied(qsizetype position, qsizetype removed, qsizetype added) {
    ++m_revision;
    for (MarkList &layer : m_layers)
        layer.adjust(position, removed, added);
    return {position, removed, added};
}

MarkList &TextDocument::marks(int layer) {
    if (size_t(layer) >= m_layers.size())
        m_layers.resize(size_t(layer) + 1);
    return m_layers[size_t(layer)];
}

} // namespace rw
