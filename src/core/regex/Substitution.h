#pragma once

#include "MatchSet.h"

#include <QString>
#include <QStringView>

#include <vector>

namespace rw {

// A replacement text with its $-markers resolved once against the pattern's group count:
// $$, $&, $`, $', $n and $nn; markers that name no group stay as written.
class Substitution final {
public:
    Substitution(QStringView replacement, int groupCount);

    // Appends to out the subject text from `copied` up to each match of matches, then the match's
    // expansion, and moves `copied` past the match. Matches must be in subject order, after `copied`.
    // withinLines: each match was found in its line alone, so $` and $' give the rest of that line only.
    void replaceInto(QString &out, QStringView subject, const MatchSet &matches, qsizetype &copied,
                     bool withinLines = false) const;
    // The subject with every match of matches replaced.
    QString replace(QStringView subject, const MatchSet &matches) const;

private:
    enum class Kind { Literal, Group, Before, After };
    struct Piece {
        Kind kind;
        qsizetype from; // Literal: offset in m_text; Group: the group number
        qsizetype length;
    };

    void addLiteral(qsizetype from, qsizetype to);

    QString m_text;
    std::vector<Piece> m_pieces;
};

} // namespace rw
