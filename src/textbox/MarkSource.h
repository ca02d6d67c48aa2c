#pragma once

#include <QColor>

#include <vector>

namespace rw {

// Something a text box shows beneath its text (the live matches, say): asked at each paint for its marks
// over the stretch in view, so that it keeps nothing of its own in step with the box's rows.
class MarkSource {
public:
    struct Mark {
        enum class Shape {
            Fill,      // the stretch's background
            Bar,       // a thin bar where a caret at from would stand (an empty stretch)
            Underline, // a line under the stretch, lift pixels above the row's bottom
        };
        qsizetype from = 0;
        qsizetype to = 0;
        QColor colour;
        Shape shape = Shape::Fill;
        qreal lift = 0;
    };

    virtual ~MarkSource() = default;
    // Appends its marks over the box positions [from, to] in the order they are painted (a later one
    // over an earlier one).
    virtual void marksIn(qsizetype from, qsizetype to, std::vector<Mark> &marks) const = 0;
};

} // namespace rw
