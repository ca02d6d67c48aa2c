#pragma once

#include "core/regex/Pattern.h"
#include "core/regex/SyntaxTree.h"

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include <functional>
#include <vector>

class QPlainTextEdit;

class QWidget;

namespace rw {

// Colours the pattern box by the syntax tree: each kind of token its own colour and style (groups bold,
// quantifiers italic, anchors underlined, escapes dotted, classes tinted, "|" on a tint), each capturing
// group in its own colour; the bracket paired with the one at the caret is framed. Hovering a token
// shows what it means. The tree is read from the box's text (pattern only, small) once per change.
class PatternHighlighter final : public QSyntaxHighlighter {
    Q_OBJECT
public:
    // options gives the options the tooltips explain under (only Multiline changes a text).
    PatternHighlighter(QPlainTextEdit *box, std::function<RegexOptions()> options);

    // The tree of the box's text as it is now (parsed at most once per change).
    const SyntaxTree &tree();
    // The innermost token at document position `position`, as a node index; -1 when none.
    int tokenAt(int position);

protected:
    void highlightBlock(const QString &text) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void caretMoved();
    // Writes the format of the part of node `index` (and its children) that lies in [from, to).
    void paint(int index, int from, int to);
    void format(qsizetype begin, qsizetype end, const QTextCharFormat &f, int from, int to);
    // The positions of the bracket at the caret and its partner, or -1.
    std::pair<int, int> bracketPair(int caret);

    QPlainTextEdit *m_box;
    QWidget *m_viewport = nullptr;
    std::function<RegexOptions()> m_options;
    SyntaxTree m_tree;
    QString m_treeText; // the text m_tree was read from
    bool m_parsed = false;
    std::pair<int, int> m_brackets{-1, -1};
};

} // namespace rw
