#pragma once

#include <QtGlobal>

#include <span>
#include <vector>

namespace rw {

// Coloured stretches of a text that follow the text through its edits, the way character formats do:
// sorted by start, never overlapping, never empty. Positions count the characters of the text.
class MarkList final {
public:
    enum class Kind { Found, Visited };
    struct Mark {
        qsizetype start = 0;
        qsizetype length = 0;
        Kind kind = Kind::Found;
        qsizetype end() const { return start + length; }
    };

    // Replaces every mark with one of the given kind and length at each start (ascending, not overlapping).
    void assign(const std::vector<qsizetype> &starts, qsizetype length, Kind kind);
    // Replaces every mark with the given stretches, in any order; overlapping ones join (as the first's
    // kind).
    void assignStretches(std::vector<Mark> marks);
    void clear() { m_marks.clear(); }
    // Marks [start, start + length) as kind over whatever was marked there; the parts of other marks
    // outside the stretch stay.
    void paint(qsizetype start, qsizetype length, Kind kind);
    // Follows an edit that replaced removed characters at from with added ones: later marks move,
    // the parts of marks inside the removed stretch go, and text typed inside a mark joins it.
    void adjust(qsizetype from, qsizetype removed, qsizetype added);

    // The marks that end after from and start before to, in order.
    std::span<const Mark> overlapping(qsizetype from, qsizetype to) const;
    // Index of the first mark that ends after pos (size() when none).
    qsizetype firstEndingAfter(qsizetype pos) const;
    std::span<const Mark> all() const { return m_marks; }
    qsizetype size() const { return qsizetype(m_marks.size()); }
    bool isEmpty() const { return m_marks.empty(); }

private:
    std::vector<Mark> m_marks;
};

} // namespace rw
