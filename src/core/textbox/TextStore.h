#pragma once

#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

namespace rw {

// A run of text cut out of a TextStore (for undo): it shares the store's chunks, so cutting out and putting
// back a hundred megabytes copies no text. Immutable and safe to hand to another thread.
class TextPiece {
public:
    TextPiece() = default;
    explicit TextPiece(QString text); // any line breaks; normalised to "\n" (in place when moved in)
    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    QString toString() const; // "\n" line breaks

private:
    friend class TextStore;
    struct Slice {
        QString chunk; // shared with the store it came from
        qsizetype from = 0;
        qsizetype length = 0;
    };
    std::vector<Slice> m_slices;
    std::vector<qsizetype> m_breaks; // positions of the "\n" inside the piece, ascending
    qsizetype m_size = 0;
};

// An immutable view of a TextStore's whole text at one moment; taking one costs a copy of the chunk list
// (a few thousand shared strings for 150 MB), never of the text or of the line index. Safe to read on any
// thread while the store goes on changing.
class TextSnapshot {
public:
    TextSnapshot() = default;
    qsizetype size() const { return m_size; }
    qsizetype lineCount() const { return m_breaks + 1; }
    // The text with "\n" line breaks, or with "\r\n" as the engine and the files take it.
    QString toPlain() const;
    QString toCrLf() const;
    // Whether both hold the same text; chunks they share are not read.
    bool sameText(const TextSnapshot &other) const;

private:
    friend class TextStore;
    std::vector<QString> m_chunks;
    qsizetype m_breaks = 0; // how many "\n" the text holds
    qsizetype m_size = 0;
};

// The text of a big editable box: the characters in chunks of a few ten thousand (an edit copies only the
// chunk it touches, a snapshot shares them all), and where every line starts. Line breaks are one "\n"
// each, as a text box counts them; "\r\n" and a lone "\r" coming in become "\n". Positions are in UTF-16
// code units, 0 .. size(); positions, lengths and line numbers out of range are clamped (a negative length
// to 0, except where it says "to the end"). Not thread-safe: one thread edits; other threads read snapshots.
class TextStore {
public:
    // Chunks aim at this many characters; one grows to twice that before it splits, and one under half of
    // it joins a neighbour.
    static constexpr qsizetype DefaultChunkSize = 32 * 1024;

    TextStore() = default;
    // Builds in one pass; fine to call on a worker thread. The chunks share text's buffer, so nothing is
    // copied, unless a "\r" has to go and someone else holds text (move it in); the buffer lives as long as
    // any chunk of it does. A small chunkSize is for tests: it makes a short text span many chunks.
    explicit TextStore(QString text, qsizetype chunkSize = DefaultChunkSize);
    // The text of a snapshot, sharing its chunks: costs a pass to find the line breaks, no copy.
    explicit TextStore(const TextSnapshot &snapshot);

    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    QChar at(qsizetype position) const;                           // QChar() outside 0 .. size() - 1
    QString mid(qsizetype position, qsizetype length = -1) const; // length < 0: to the end
    QString toPlain() const;

    // Lines are numbered from 0; a text of n line breaks has n + 1 lines (the last may be empty).
    qsizetype lineCount() const { return qsizetype(m_breaks.size()) + 1; }
    qsizetype lineStart(qsizetype line) const;
    qsizetype lineLength(qsizetype line) const; // without its line break
    qsizetype lineAt(qsizetype position) const; // the line position lies in (size() lies in the last)
    // Part of one line, without its line break: length characters from column from (length < 0: to the
    // line's end). Costs O(length), however long the line.
    QString lineText(qsizetype line, qsizetype from = 0, qsizetype length = -1) const;

    // Replaces length characters at position by text; returns what was there. Each text is normalised on its
    // own: a "\r" at its end is a line break of its own even when the store goes on with "\n" there (a
    // text box does the same). Costs O(text + number of chunks + line breaks after position).
    TextPiece replace(qsizetype position, qsizetype length, QStringView text);
    // Replaces length characters at position by piece; returns what was there. Shares piece's chunks: no
    // text is copied but at the two ends, only piece's line breaks and those after position.
    TextPiece replace(qsizetype position, qsizetype length, const TextPiece &piece);
    TextPiece piece(qsizetype position, qsizetype length) const;

    TextSnapshot snapshot() const;

    std::vector<qsizetype> chunkSizes() const; // for tests and diagnostics

private:
    struct Part; // a run of the text going in, see TextStore.cpp
    qsizetype chunkAt(qsizetype position) const;
    void clamp(qsizetype &position, qsizetype &length) const;
    TextPiece replaceWith(qsizetype position, qsizetype length, const std::vector<Part> &parts,
                          qsizetype partsSize, const qsizetype *breaks, qsizetype breakCount);
    void replaceChunks(qsizetype position, qsizetype length, const std::vector<Part> &parts,
                       qsizetype partsSize);
    void replaceBreaks(qsizetype position, qsizetype length, const qsizetype *breaks, qsizetype breakCount,
                       qsizetype delta);

    std::vector<QString> m_chunks; // none empty; each of half to twice m_chunkSize, unless it's the only one
    std::vector<qsizetype> m_chunkStarts; // position of each chunk's first character
    std::vector<qsizetype> m_breaks;      // position of every "\n", ascending
    qsizetype m_size = 0;
    qsizetype m_chunkSize = DefaultChunkSize;
};

} // namespace rw
