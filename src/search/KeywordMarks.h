#pragma once

#include "core/textbox/MarkList.h"

#include <QTextCharFormat>

#include <vector>

class QFont;

namespace rw {

class TextEditor;

// The keyword search's colours in a text box: its mark layer kLayer, orange for the occurrences found and
// blue for the ones visited. The box draws the marks with the text it lays out and moves them through its
// edits, so they show at once and the text and its undo history stay untouched.
class KeywordMarks final {
public:
    // Drawn over layer 0, which the live highlight may take.
    static constexpr int kLayer = 1;

    // Gives box's layer its two formats; box outlives this.
    explicit KeywordMarks(TextEditor *box);

    // Makes found (orange marks, made on a worker: two million of them take a while) the marks, replacing
    // all earlier ones.
    void markFound(MarkList found);
    // Colours [start, start + length) blue over whatever was there.
    void markVisited(qsizetype start, qsizetype length);
    const MarkList &marks() const;

    // The character formats of the two kinds: 9 pt "宋体" (then the families of the box's font),
    // plain, orange or blue letters.
    static QTextCharFormat format(MarkList::Kind kind, const QFont &boxFont);

private:
    TextEditor *m_box;
};

} // namespace rw
