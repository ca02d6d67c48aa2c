#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <utility>

class QKeyEvent;

namespace rw {

// Where the caret goes, as Qt's own text boxes move it: the grapheme, word and separator rules come from
// QTextLayout's cursor positions over the text of one line, so a surrogate pair, a base with its
// combining marks or a flag is one step, and words stop where QPlainTextEdit's do.
//
// Each function reads the line through text(from, to) (the line's characters in [from, to), without its
// break) so that a line of any length is read only around the position, and works in positions within the
// line (0 .. length).
class LineMotion final {
public:
    using Reader = std::function<QString(qsizetype from, qsizetype to)>;
    LineMotion(qsizetype length, Reader text) : m_length(length), m_text(std::move(text)) {}

    // The next / previous grapheme boundary; length / 0 at the ends.
    qsizetype nextCharacter(qsizetype position) const;
    qsizetype previousCharacter(qsizetype position) const;
    // The previous code point (a surrogate pair is one): what Backspace removes, as QTextCursor does.
    qsizetype previousCodePoint(qsizetype position) const;
    // The next / previous word stop (QTextLayout::SkipWords).
    qsizetype nextWord(qsizetype position) const;
    qsizetype previousWord(qsizetype position) const;
    // The word a double click at position selects: [start, end).
    std::pair<qsizetype, qsizetype> wordAt(qsizetype position) const;
    // The word a drag after a double click reaches at position: where QTextCursor's StartOfWord takes
    // position and then EndOfWord takes that start, or nothing where either of them does not move (at the
    // line's start, or at its end after a space).
    std::optional<std::pair<qsizetype, qsizetype>> wordReached(qsizetype position) const;
    // The nearest grapheme boundary at or before position.
    qsizetype snapBack(qsizetype position) const;

private:
    // A window of the line around position, grown until an answer lies inside it, not at its cut edge.
    template <typename Step> qsizetype inWindow(qsizetype position, bool forward, Step step) const;
    // A QTextCursor at position in a document holding a window of the line, for select(cursor) to move
    // and to answer a range of, or nothing; the window grows while that range runs into a cut edge. The
    // range comes back in line positions.
    template <typename Select>
    std::optional<std::pair<qsizetype, qsizetype>> inDocument(qsizetype position, Select select) const;

    qsizetype m_length;
    Reader m_text;
};

// Whether a key press's text is typed into a text box, by the rules of Qt's own text widgets: printable,
// format (ZWNJ, ZWJ, marks of direction) or private-use characters and surrogate pairs; AltGr (Ctrl+Alt)
// types, Ctrl alone or with Shift does not; a tab only when tabs are typed.
bool isAcceptableKeyText(const QKeyEvent *event, bool tabsTyped);

} // namespace rw
