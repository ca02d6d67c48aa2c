#pragma once

#include <QString>

class QPlainTextEdit;

namespace rw {

class Pattern;
struct PatternValue;

// Why and where a pattern did not compile, in the pattern as the user wrote it.
struct LiveError {
    QString reason;
    qsizetype offset =
        0;            // UTF-16 index into the pattern ("\r\n" breaks); its length when the fault is its end
    int position = 1; // 1-based character number as a reader counts ("\r\n" and a surrogate pair are one)

    // The text the tooltip shows: the reason and the character number.
    QString text() const;
};

// The error of expression, which compiled to the invalid pattern: the engine's reason and place.
LiveError errorOf(const Pattern &pattern, const QString &expression);

// Underlines the character of box (which shows value) at error's place with a red wave and gives the box
// error's text as its tooltip; a null error removes both.
void showErrorMark(QPlainTextEdit *box, const PatternValue &value, const LiveError *error);

} // namespace rw
