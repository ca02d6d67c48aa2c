#pragma once

class QAccessibleEvent;

namespace rw {

class TextEditor;

// Makes a text box readable and editable by screen readers: it gets an accessible interface with the
// role EditableText and the text and editable-text interfaces, and tells the accessibility bridge of
// every insertion, removal, caret move and selection change. Called once by each box it serves.
void serveAccessibility(TextEditor *editor);

// Where a box's events go: to the accessibility bridge while a screen reader listens (nullptr, the
// default), or to a receiver of the caller's that hears them always (a test: offscreen has no bridge).
using AccessibleEventSink = void (*)(QAccessibleEvent *event);
void setAccessibleEventSink(AccessibleEventSink sink);

} // namespace rw
