#pragma once

#include <QString>
#include <QStringView>

namespace rw {

// The text of a text box as the engine, the files and the exports see it: a text document's raw text
// holds its line breaks as U+2029 (paragraph) or U+2028 (line separator); each becomes "\r\n", as does
// any "\n", "\r" or "\r\n" already there. Everything else is kept as it is.
QString paragraphsToCrLf(QStringView raw);
// Whether a unit of a raw text is a line break paragraphsToCrLf turns into "\r\n" ("\r\n" itself is one).
bool isRawLineBreak(char16_t c);

// A text document's raw text with its line breaks (U+2029, U+2028) as "\n" and everything else as it is
// (U+00A0 stays, unlike toPlainText()), so each position is the document's position.
QString paragraphsToLineFeeds(QString raw);

} // namespace rw
