#pragma once

#include "MarkList.h"
#include "TextStore.h"

#include <vector>

namespace rw {

// One change of a document's text: removed characters at position replaced by added ones.
struct TextChange {
    qsizetype position = 0;
    qsizetype removed = 0;
    qsizetype added = 0;
    friend bool operator==(const TextChange &, const TextChange &) = default;
};

// Where the caret and the selection's other end stand.
struct Caret {
    qsizetype position = 0;
    qsizetype anchor = 0;
    friend bool operator==(const Caret &, const Caret &) = default;
};

// The content of a text box: its text, a revision that goes up with every change, the undo history and the
// mark layers that follow the text through edits. It knows nothing of views: whoever changes it passes on
// the changes it reports. Not thread-safe; other threads read snapshots of the store.
class TextDocument final {
public:
    // How an undo step may merge with its neighbours (see mergeIntoLastStep).
    enum class EditKind { Block, Typing, Backspace, Delete };

    const TextStore &store() const { return m_store; }
    quint64 revision() const { return m_revision; }

    // Replaces the whole text; the history and every mark go (freed on a worker: they may be big).
    void reset(TextStore store);
    // Replaces length characters at position by text as an undo step, or as part of the step before when
    // joinPrevious (a drag's move: taking the text out and putting it in undo together) or when the kind
    // merges (typing, a run of Backspaces). before: the caret before the edit, which undoing a joined step
    // brings back. Nothing happens for an empty change.
    TextChange replace(qsizetype position, qsizetype length, const TextPiece &text, Caret before,
                       EditKind kind = EditKind::Block, bool joinPrevious = false);
    // Takes the last step back (undo) or does the last undone one again (redo): the changes made, in order,
    // and where the caret goes (after the text that came in; a joined step's undo brings back the caret
    // and selection it had before). Nothing when there is no such step.
    struct Travel {
        std::vector<TextChange> changes;
        Caret caret;
    };
    Travel undo() { return travel(true); }
    Travel redo() { return travel(false); }
    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }

    // Marks in layers (a later layer over an earlier one); they follow the text through every change.
    MarkList &marks(int layer);
    int layerCount() const { return int(m_layers.size()); }
    const MarkList &layer(int index) const { return m_layers[size_t(index)]; }

private:
    struct Edit {
        qsizetype position = 0;
        TextPiece removed;
        TextPiece inserted;
        Caret before;
        EditKind kind = EditKind::Block;
        bool mergeable = true;         // false once undone or redone
        bool joinedToPrevious = false; // undone and redone with the edit below it, as one step
    };
    bool mergeIntoLastStep(const Edit &e);
    Travel travel(bool back);
    TextChange applied(qsizetype position, qsizetype removed, qsizetype added);

    TextStore m_store;
    quint64 m_revision = 0;
    std::vector<Edit> m_undo;
    std::vector<Edit> m_redo;
    std::vector<MarkList> m_layers;
};

} // namespace rw
