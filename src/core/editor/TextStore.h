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
    explicit TextPiece(const QString &text); // any line breaks; normalised to "\n"
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
// (a few thousand shared strings for 150 MB), never of the text. Safe to read on any thread while the store
// goes on changing.
class TextSnapshot {
public:
    TextSnapshot() = default;
    qsizetype size() const { return m_size; }
    qsizetype lineCount() const { return (m_breaks ? qsizetype(m_breaks->size()) : 0) + 1; }
    // The text with "\n" line breaks, or with "\r\n" as the engine and the files take it.
    QString toPlain() const;
    QString toCrLf() const;

private:
    friend class TextStore;
    std::vector<QString> m_chunks;
    std::shared_ptr<const std::vector<qsizetype>> m_breaks; // see TextStore
    qsizetype m_size = 0;
};

// The text of a big editable box: the characters in chunks of a few ten thousand (an edit copies only the
// chunk it touches, a snapshot shares them all), and where every line starts. Line breaks are one "\n"
// each, as a text box counts them; "\r\n" and a lone "\r" coming in become "\n". Positions are in UTF-16
// code units, 0 .. size(). Not thread-safe: one thread edits; other threads read snapshots.
class TextStore {
public:
    TextStore() = default;
    explicit TextStore(const QString &text); // builds in one pass; fine to call on a worker thread

    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    QChar at(qsizetype position) const;
    QString mid(qsizetype position, qsizetype length) const; // clamped to the text
    QString toPlain() const;

    // Lines are numbered from 0; a text of n line breaks has n + 1 lines (the last may be empty).
    qsizetype lineCount() const;
    qsizetype lineStart(qsizetype line) const;
    qsizetype lineLength(qsizetype line) const; // without its line break
    qsizetype lineAt(qsizetype position) const; // the line position lies in (size() lies in the last)
    QString lineText(qsizetype line, qsizetype from = 0, qsizetype length = -1) const; // part of one line

    // Replaces length characters at position by text (normalised); returns what was there.
    TextPiece replace(qsizetype position, qsizetype length, QStringView text);
    // Replaces length characters at position by piece; returns what was there. Shares piece's chunks.
    TextPiece replace(qsizetype position, qsizetype length, const TextPiece &piece);
    TextPiece piece(qsizetype position, qsizetype length) const;

    TextSnapshot snapshot() const;

private:
    std::vector<QString> m_chunks;          // none empty
    std::vector<qsizetype> m_chunkStarts;   // position of each chunk's first character
    std::vector<qsizetype> m_breaks;        // position of every "\n", ascending
    qsizetype m_size = 0;
};

} // namespace rw
