#pragma once

#include "core/editor/TextStore.h"

#include <optional>

namespace rw {

class TextEditor;

// A big text's first screen standing in a box while the whole text is read. Meanwhile the box is
// read-only and commands that take its text wait for the whole (see BoxText::hold). The whole text
// ends it; so does a failed read, which puts back the text the box held before, with its caret.
class FirstScreenShown {
public:
    explicit FirstScreenShown(TextEditor *box) : m_box(box) {}

    // Shows first in the box. The first screen of a load that follows one still shown keeps the text
    // to put back from before both.
    void show(TextStore first);
    // The whole text goes in and the box is as before the first screen (its undo history starts over).
    void showWhole(TextStore whole);
    // Puts back the text from before the first screen, if one is shown.
    void putBack();
    bool isShown() const { return m_before.has_value(); }

private:
    void end();

    struct Before {
        TextSnapshot text;
        qsizetype anchor = 0;
        qsizetype cursor = 0;
        bool readOnly = false;
    };
    TextEditor *m_box;
    std::optional<Before> m_before;
};

} // namespace rw
