#pragma once

#include <QString>
#include <QStringView>

namespace rw {

// Line breaks as the working files hold them ("\r\n") and as a Qt text widget holds them ("\n").
// A lone "\r" counts as a line break, as it does when a text widget takes a text in; so every text comes
// out with one kind of line break only. (The way back to "\r\n" is paragraphsToCrLf in DocumentText.h.)

// Returns text with every "\r\n" and lone "\r" written as "\n"; works in place when text is not shared.
QString fromCrLf(QString text);

} // namespace rw
