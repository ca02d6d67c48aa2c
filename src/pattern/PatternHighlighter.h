#pragma once

#include "core/regex/PatternValue.h"

#include <QPointer>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include <utility>

class QPlainTextEdit;
class QWidget;

namespace rw {

class PatternOwner;

// Colours the pattern box by the syntax tree: each kind of token its own colour and style (groups bold,
// quantifiers italic, anchors underlined, escapes dotted, classes tinted, "|" on a tint), each capturing
// group in its own colour; the bracket paired with the one at the caret is framed. Hovering a token
// shows what it means. The tree is the pattern owner's, read once per change.
class PatternHighlighter final : public QSyntaxHighlighter {
    Q_OBJECT
public:
    // Colours the owner's box; the tooltips explain under the owner's options.
    explicit PatternHighlighter(PatternOwner *owner);

    // The innermost token at box position `position`, as a node index of the tree of value; -1 when none.
    static int tokenAt(const PatternValue &value, int position);

protected:
    void highlightBlock(const QString &text) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void caretMoved();
    // Writes the format of the part of node `index` (and its children) that lies in [from, to) (box
    // positions).
    void paint(const PatternValue &value, int index, int from, int to);
    // Formats the pattern's [begin, end) (the engine's offsets) where it lies in the block [from, to).
    void formatBox(qsizetype begin, qsizetype end, const QTextCharFormat &f, int from);
    void format(const PatternValue &value, qsizetype begin, qsizetype end, const QTextCharFormat &f, int from,
                int to);
    // The positions of the bracket at the caret and its partner, or -1.
    std::pair<int, int> bracketPair(int caret);

    // The window's, which may go before the box while it is being destroyed.
    QPointer<PatternOwner> m_owner;
    QPlainTextEdit *m_box;
    QWidget *m_viewport = nullptr;
    std::pair<int, int> m_brackets{-1, -1};
};

} // namespace rw
