#pragma once

#include "core/textbox/MarkList.h"
#include "core/textbox/TextDocument.h"

#include <QFont>
#include <QTextCharFormat>
#include <QTextLayout>

#include <array>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace rw {

// A row of a view: a piece (by its unit number) and a line of the piece's layout.
struct TextRow {
    qsizetype unit = 0;
    int line = 0;
    friend bool operator==(const TextRow &, const TextRow &) = default;
    friend auto operator<=>(const TextRow &, const TextRow &) = default;
};

// How a document's text falls into rows. A line of up to kWholeLine characters is one piece, laid out
// whole and wrapped at word boundaries; a longer line is cut into pieces of kPieceLength characters, each
// starting on a new row. Units number the pieces through the text. Only pieces asked for are laid out,
// and a change drops only the layouts of the pieces it touched: those before it stay, those after it are
// renumbered and stay too.
//
// The layouts carry the document's mark layers as formats (a keyword hit has its own font, which
// shapes the glyphs) and the input method's preedit at the caret.
class PieceLayout final {
public:
    static constexpr qsizetype kWholeLine = 8192;
    static constexpr qsizetype kPieceLength = 4096;

    struct Piece {
        qsizetype start = 0;  // position of the piece's first character
        qsizetype length = 0; // without a line break
        std::unique_ptr<QTextLayout> layout;
        qreal height = 0;
    };
    // One row met by a walk.
    struct RowView {
        TextRow row;
        const Piece &piece;
        QTextLine line;
        qreal y = 0; // the row's top
        qsizetype start() const { return piece.start + line.textStart(); }
        qsizetype end() const; // after its last character (a wrapped row: after the space it broke at)
        bool lastOfPiece() const { return row.line + 1 == piece.layout->lineCount(); }
    };
    // Returns false to end the walk.
    using RowVisitor = std::function<bool(const RowView &row)>;

    explicit PieceLayout(const TextDocument &document);

    // Either drops every layout.
    void setFont(const QFont &font);
    void setWidth(qreal width);
    // The format of the marks of a kind in a layer of the document.
    void setMarkFormat(int layer, MarkList::Kind kind, const QTextCharFormat &format);
    // The input method's text being composed, shown at position (with its formats and its own caret
    // inside); an empty text shows none.
    void setPreedit(qsizetype position, const QString &text, const QList<QTextLayout::FormatRange> &formats);
    const QString &preedit() const { return m_preedit; }
    qsizetype preeditPosition() const { return m_preeditAt; }

    // The document changed as change says (already applied).
    void changed(const TextChange &change);
    // The marks over [from, to] changed: the pieces there are laid out again.
    void marksChanged(qsizetype from, qsizetype to);
    void dropAll();

    qsizetype unitCount() const;
    qsizetype unitAtPosition(qsizetype position) const;
    const Piece &piece(qsizetype unit) const;
    // Where position (in the piece of unit) is in the piece's layout text, which holds the preedit.
    int layoutPosition(const Piece &p, qsizetype unit, qsizetype position) const;
    // The row holding position; at the preedit's position, the row holding the preedit's caret (or its
    // end, for a caret of -1).
    TextRow rowOf(qsizetype position, int preeditCaret = -1) const;
    TextRow nextRow(TextRow row) const;
    TextRow previousRow(TextRow row) const;
    qreal rowHeight(TextRow row) const;
    TextRow lastRow() const;
    // The position nearest x (from the rows' left edge) in row.
    qsizetype positionInRow(TextRow row, qreal x) const;
    // x of a caret at position in its row (a caret at the preedit's position: at preeditCaret in it).
    qreal cursorX(TextRow row, qsizetype position, int preeditCaret = 0) const;

    // The one walk over rows: from top (its top edge at y) downwards, while rows start above bottom,
    // until visit returns false.
    void walk(TextRow top, qreal y, qreal bottom, const RowVisitor &visit) const;

    // For tests and diagnostics: how many layouts were made so far, and how many are kept.
    quint64 layoutsMade() const { return m_layoutsMade; }
    qsizetype layoutsKept() const { return qsizetype(m_pieces.size()); }

private:
    struct LongLine {
        qsizetype line = 0;
        qsizetype units = 0;
        qsizetype extraBefore = 0; // the units beyond one of every long line before this one
    };
    const TextStore &store() const { return m_document.store(); }
    void ensureUnits() const;
    qsizetype unitsOfLine(qsizetype line) const;
    qsizetype unitOf(qsizetype line, qsizetype piece) const;
    std::pair<qsizetype, qsizetype> lineOfUnit(qsizetype unit) const;
    std::pair<qsizetype, qsizetype> unitRange(qsizetype unit) const; // start, length
    // Whether the units counted before a change of [position, position + added) still hold after it.
    bool unitsSurvive(qsizetype position, qsizetype added) const;
    bool holdsPreedit(qsizetype unit) const;
    void dropAt(qsizetype position);

    const TextDocument &m_document;
    QFont m_font;
    qreal m_width = 1;
    std::vector<std::array<QTextCharFormat, 2>> m_formats;
    QString m_preedit;
    qsizetype m_preeditAt = 0;
    QList<QTextLayout::FormatRange> m_preeditFormats; // positions within the preedit

    mutable bool m_unitsDirty = true;
    mutable std::vector<LongLine> m_long;
    mutable qsizetype m_units = 1;
    mutable qsizetype m_unitsLines = 0; // the line count the units were counted for
    mutable std::unordered_map<qsizetype, Piece> m_pieces;
    mutable quint64 m_layoutsMade = 0;
};

} // namespace rw
