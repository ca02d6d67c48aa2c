#pragma once

#include <QList>
#include <QTextEdit>

class QPlainTextEdit;

namespace rw {

// The extra selections of a plain text box, in layers that do not overwrite one another: the pattern
// box carries the live error's wavy line and the marks of the backtracking analysis side by side.
enum class BoxMarkLayer { Error = 1, Cost = 2, Convert = 3 };

// Replaces the marks of layer in box, keeping every other layer's.
void setBoxMarks(QPlainTextEdit *box, BoxMarkLayer layer, QList<QTextEdit::ExtraSelection> marks);

} // namespace rw
