#pragma once

class QPlainTextEdit;

namespace rw {

// Keeps word wrapping of box affordable: once its document holds a long run without white space (typed,
// pasted or loaded), the document wraps anywhere instead of at word boundaries, whose layout time would
// grow with the square of that run. Call it again after giving the box another document.
void keepWrappingAffordable(QPlainTextEdit *box);

} // namespace rw
