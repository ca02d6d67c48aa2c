#pragma once

#include <QString>

#include <functional>

class QObject;
class QPlainTextEdit;

namespace rw {

// Takes the whole text of a text box without stalling the UI thread on a text of tens of MB: the
// document is read in slices of a few milliseconds each, between which the event loop runs. An edit made
// meanwhile starts the reading over, so the text is always one consistent state of the box.
// done gets the document's raw text (paragraphs separated by U+2029; see paragraphsToCrLf) on the UI
// thread, at once when the text is short; nothing is called when context is destroyed first.
void takeText(QPlainTextEdit *box, QObject *context, std::function<void(QString raw)> done);

} // namespace rw
