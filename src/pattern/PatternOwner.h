#pragma once

#include "PatternInputs.h"
#include "core/regex/PatternValue.h"

#include <QObject>
#include <QTimer>

#include <optional>

class QPlainTextEdit;

namespace rw {

// The one owner of the pattern: the expression box's text, the three options and line by line. It reads them
// into one PatternValue per change (the one parse of that change) and, once the user has paused, publishes it
// to every reader: the colours and tooltips, the explanation, the cost, the live highlight, Match, Replace.
// No reader reads the box or the check boxes; those that mark or select in the box get it from here.
class PatternOwner final : public QObject {
    Q_OBJECT
public:
    explicit PatternOwner(const PatternInputs &inputs, QObject *parent = nullptr);

    // How long the user must pause before the value is published.
    static constexpr int pauseMillis = 150;

    // The value as the inputs are now, read at most once per change (for painting while typing).
    const PatternSnapshot &now();
    // The value last published.
    const PatternSnapshot &published() const { return m_published; }
    // For a command that starts now (Match, Replace): a change still waiting out the pause is published at
    // once, so that the command and every reader see what the user sees.
    PatternSnapshot current();
    // Restarts the pause without a change of the pattern: settled() follows once it is over (the live
    // highlight waits so for typing in the source text).
    void waitForPause();
    // Puts text ("\r\n" or "\n" line breaks) into the box as one undo step, and sets the options when
    // given; the change goes out as a typed one does.
    void put(const QString &text, const std::optional<RegexOptions> &options = std::nullopt);
    // The expression box, for readers that mark or select parts of the pattern in it.
    QPlainTextEdit *box() const { return m_inputs.expression; }

signals:
    // The pattern or the options changed a moment ago; work for the value before is stale.
    void changed();
    // After the pause, a value other than the one published before.
    void valuePublished(const PatternSnapshot &value);
    // After every pause (and after valuePublished when the value changed).
    void settled(const PatternSnapshot &value);

private:
    RegexOptions options() const;
    void edited();
    void publish();

    PatternInputs m_inputs;
    QTimer m_pause;
    PatternSnapshot m_now;
    QString m_raw; // the raw text m_now was read from
    PatternSnapshot m_published;
    quint64 m_revision = 0;
    quint64 m_announced = 0; // the revision changed() was last sent for
};

} // namespace rw
