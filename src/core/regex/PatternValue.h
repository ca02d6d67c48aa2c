#pragma once

#include "Pattern.h"
#include "SyntaxTree.h"

#include <QString>
#include <QStringView>

#include <memory>
#include <utility>
#include <vector>

namespace rw {

// Where the pattern box and the engine count the same pattern differently: the box holds a line break as
// one position (U+2029, U+2028, a lone "\n" or "\r") where the engine's text has "\r\n"; a "\r\n" the box
// holds is two positions in both.
class BreakMap {
public:
    BreakMap() = default;
    // raw: the box document's raw text.
    explicit BreakMap(QStringView raw);

    // The engine's offset of box position.
    qsizetype offsetOf(qsizetype boxPosition) const;
    // The box position of the engine's offset. An offset between the "\r" and the "\n" of a break that is
    // one position in the box falls before that break, or after it with `after` (for the end of a range).
    qsizetype boxPosition(qsizetype offset, bool after = false) const;
    // The box positions of the engine's range [begin, end).
    std::pair<qsizetype, qsizetype> boxRange(qsizetype begin, qsizetype end) const {
        return {boxPosition(begin), boxPosition(end, true)};
    }

private:
    // Box positions of the breaks that grow by one unit in the engine's text, ascending.
    std::vector<qsizetype> m_grown;
};

// The pattern at one moment, never changed once made: the text as the engine reads it ("\r\n" line
// breaks), the options, the syntax tree read from that text, and the map to the box's positions. The
// pattern's owner makes one for each change and every reader shares it.
struct PatternValue {
    QString text;
    RegexOptions options;
    SyntaxTree tree;
    BreakMap breaks;
    // Counts the changes of the text or the options since the owner began.
    quint64 revision = 0;

    // Reads the box document's raw text under options: the one parse of this change.
    static std::shared_ptr<const PatternValue> read(QStringView raw, const RegexOptions &options,
                                                    quint64 revision);
    // The same text and tree under other options (nothing is parsed again).
    std::shared_ptr<const PatternValue> withOptions(const RegexOptions &other, quint64 newRevision) const;
    // Whether text and options are those of value (a reader's work for the one still stands).
    bool sameAs(const PatternValue &value) const;
};

using PatternSnapshot = std::shared_ptr<const PatternValue>;

} // namespace rw
