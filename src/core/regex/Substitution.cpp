#include "Substitution.h"

#include "core/text/TextLines.h"

namespace rw {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

Substitution::Substitution(QStringView replacement, int groupCount) : m_text(replacement.toString()) {
    const qsizetype n = m_text.size();
    qsizetype literalFrom = 0;
    qsizetype i = 0;
    const auto marker = [&](Kind kind, qsizetype group, qsizetype markerLength) {
        addLiteral(literalFrom, i);
        m_pieces.push_back({kind, group, 0});
        i += markerLength;
        literalFrom = i;
    };
    while (i < n) {
        if (m_text[i] != u'$' || i + 1 >= n) {
            ++i;
            continue;
        }
        const QChar c = m_text[i + 1];
        if (c == u'$') {
            // Keep the first "$" as literal text and drop the second.
            addLiteral(literalFrom, i + 1);
            i += 2;
            literalFrom = i;
        } else if (c == u'&') {
            marker(Kind::Group, 0, 2);
        } else if (c == u'`') {
            marker(Kind::Before, 0, 2);
        } else if (c == u'\'') {
            marker(Kind::After, 0, 2);
        } else if (isDigit(c)) {
            const int first = c.unicode() - u'0';
            const int both =
                i + 2 < n && isDigit(m_text[i + 2]) ? first * 10 + (m_text[i + 2].unicode() - u'0') : -1;
            if (both >= 1 && both <= groupCount)
                marker(Kind::Group, both, 3);
            else if (first >= 1 && first <= groupCount)
                marker(Kind::Group, first, 2);
            else
                ++i;
        } else {
            ++i;
        }
    }
    addLiteral(literalFrom, n);
}

void Substitution::addLiteral(qsizetype from, qsizetype to) {
    if (to <= from)
        return;
    if (!m_pieces.empty() && m_pieces.back().kind == Kind::Literal &&
        m_pieces.back().from + m_pieces.back().length == from) {
        m_pieces.back().length += to - from;
        return;
    }
    m_pieces.push_back({Kind::Literal, from, to - from});
}

void Substitution::replaceInto(QString &out, QStringView subject, const MatchSet &matches, qsizetype &copied,
                               bool withinLines) const {
    const QStringView text(m_text);
    for (qsizetype i = 0, count = matches.size(); i < count; ++i) {
        const qsizetype start = matches.start(i, 0);
        const qsizetype end = matches.end(i, 0);
        out += subject.sliced(copied, start - copied);
        for (const Piece &piece : m_pieces) {
            switch (piece.kind) {
            case Kind::Literal:
                out += text.sliced(piece.from, piece.length);
                break;
            case Kind::Group:
                out += matches.text(subject, i, int(piece.from));
                break;
            case Kind::Before: {
                const qsizetype from = withinLines ? lineStartAt(subject, start) : 0;
                out += subject.sliced(from, start - from);
                break;
            }
            case Kind::After:
                out += subject.sliced(end, (withinLines ? lineEndAt(subject, end) : subject.size()) - end);
                break;
            }
        }
        copied = end;
    }
}

QString Substitution::replace(QStringView subject, const MatchSet &matches) const {
    QString out;
    out.reserve(subject.size());
    qsizetype copied = 0;
    replaceInto(out, subject, matches, copied);
    out += subject.sliced(copied);
    return out;
}

} // namespace rw
