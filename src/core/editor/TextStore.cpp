#include "TextStore.h"

#include "core/text/LineBreaks.h"

#include <algorithm>
#include <cstring>

namespace rw {

namespace {

// Writes text with every "\r\n" and lone "\r" as "\n" to out, which has room for text.size() characters;
// returns the end of what was written. Copies the runs between "\r" whole.
QChar *writeNormalised(QStringView text, QChar *out) {
    const qsizetype size = text.size();
    qsizetype from = 0;
    while (from < size) {
        qsizetype cr = text.indexOf(u'\r', from);
        if (cr < 0)
            cr = size;
        std::memcpy(out, text.data() + from, size_t(cr - from) * sizeof(QChar));
        out += cr - from;
        if (cr == size)
            break;
        *out++ = u'\n';
        from = cr + 1;
        if (from < size && text[from] == u'\n')
            ++from;
    }
    return out;
}

void appendBreaks(QStringView text, qsizetype offset, std::vector<qsizetype> &breaks) {
    for (qsizetype i = text.indexOf(u'\n'); i >= 0; i = text.indexOf(u'\n', i + 1))
        breaks.push_back(offset + i);
}

QString joinChunks(const std::vector<QString> &chunks, qsizetype size) {
    QString text(size, Qt::Uninitialized);
    QChar *out = text.data();
    for (const QString &chunk : chunks) {
        std::memcpy(out, chunk.constData(), size_t(chunk.size()) * sizeof(QChar));
        out += chunk.size();
    }
    return text;
}

// The chunks' text with "\r\n" for every "\n"; breaks holds where each "\n" is.
QString joinChunksCrLf(const std::vector<QString> &chunks, const std::vector<qsizetype> &breaks,
                       qsizetype size) {
    QString text(size + qsizetype(breaks.size()), Qt::Uninitialized);
    QChar *out = text.data();
    auto nextBreak = breaks.begin();
    qsizetype chunkStart = 0;
    for (const QString &chunk : chunks) {
        const QChar *const in = chunk.constData();
        const qsizetype chunkEnd = chunkStart + chunk.size();
        qsizetype from = 0;
        for (; nextBreak != breaks.end() && *nextBreak < chunkEnd; ++nextBreak) {
            const qsizetype at = *nextBreak - chunkStart;
            std::memcpy(out, in + from, size_t(at - from) * sizeof(QChar));
            out += at - from;
            *out++ = u'\r';
            *out++ = u'\n';
            from = at + 1;
        }
        std::memcpy(out, in + from, size_t(chunk.size() - from) * sizeof(QChar));
        out += chunk.size() - from;
        chunkStart = chunkEnd;
    }
    return text;
}

// Cuts the text of an edit into chunks: whole chunks coming in are kept (shared) when their size suits,
// everything else is copied into chunks of about the target size.
class ChunkBuilder {
public:
    explicit ChunkBuilder(qsizetype target) : m_target(target), m_min(target / 2), m_max(target * 2) {}

    void addView(QStringView text) {
        while (!text.isEmpty()) {
            if (m_pending.size() + text.size() <= m_max) {
                m_pending.append(text);
                return;
            }
            if (m_pending.isEmpty()) {
                chunks.push_back(text.first(m_target).toString());
                text = text.sliced(m_target);
            } else if (m_pending.size() >= m_target) {
                flush();
            } else {
                const qsizetype take = m_target - m_pending.size();
                m_pending.append(text.first(take));
                text = text.sliced(take);
                flush();
            }
        }
    }

    void addChunk(const QString &chunk) {
        if (chunk.size() < m_min || chunk.size() > m_max || (!m_pending.isEmpty() && m_pending.size() < m_min)) {
            // Too small or too big to keep as it is, or the small run before it joins it (a copy of at
            // most one chunk).
            addView(chunk);
            return;
        }
        flush();
        chunks.push_back(chunk);
    }

    bool pendingTooSmall() const { return !m_pending.isEmpty() && m_pending.size() < m_min; }

    // Puts the pending run after previous, as one chunk or, when that's too big, two of half the size.
    void joinPendingTo(QString previous) {
        const qsizetype total = previous.size() + m_pending.size();
        previous.append(m_pending);
        m_pending = QString();
        if (total <= m_max) {
            chunks.push_back(std::move(previous));
        } else {
            chunks.push_back(previous.first(total / 2));
            chunks.push_back(previous.sliced(total / 2));
        }
    }

    void flush() {
        if (m_pending.isEmpty())
            return;
        if (m_pending.capacity() - m_pending.size() > m_pending.size() / 4)
            m_pending.squeeze();
        chunks.push_back(std::move(m_pending));
        m_pending = QString();
    }

    std::vector<QString> chunks;

private:
    const qsizetype m_target;
    const qsizetype m_min;
    const qsizetype m_max;
    QString m_pending;
};

} // namespace

// A run of the text going into the store: whole is set when the run is a whole chunk that may be shared.
struct TextStore::Part {
    QStringView view;
    const QString *whole = nullptr;
};

// ---- TextPiece

TextPiece::TextPiece(const QString &text) {
    const QString plain = fromCrLf(text);
    m_size = plain.size();
    appendBreaks(plain, 0, m_breaks);
    const qsizetype chunkSize = TextStore::DefaultChunkSize;
    if (m_size <= 2 * chunkSize) {
        if (m_size > 0)
            m_slices.push_back({plain, 0, m_size});
        return;
    }
    for (qsizetype from = 0; from < m_size;) {
        const qsizetype rest = m_size - from;
        const qsizetype take = rest < chunkSize + chunkSize / 2 ? rest : chunkSize;
        m_slices.push_back({plain.sliced(from, take), 0, take});
        from += take;
    }
}

QString TextPiece::toString() const {
    QString text(m_size, Qt::Uninitialized);
    QChar *out = text.data();
    for (const Slice &slice : m_slices) {
        std::memcpy(out, slice.chunk.constData() + slice.from, size_t(slice.length) * sizeof(QChar));
        out += slice.length;
    }
    return text;
}

// ---- TextSnapshot

QString TextSnapshot::toPlain() const { return joinChunks(m_chunks, m_size); }

QString TextSnapshot::toCrLf() const {
    if (!m_breaks)
        return toPlain();
    return joinChunksCrLf(m_chunks, *m_breaks, m_size);
}

// ---- TextStore

TextStore::TextStore(const QString &text, qsizetype chunkSize) : m_chunkSize(std::max<qsizetype>(chunkSize, 2)) {
    const QChar *const data = text.constData();
    const qsizetype total = text.size();
    const qsizetype target = m_chunkSize;
    const qsizetype min = target / 2;
    m_chunks.reserve(size_t(total / target + 1));
    m_chunkStarts.reserve(m_chunks.capacity());
    for (qsizetype in = 0; in < total;) {
        // The last chunk takes what's left rather than leave a small one.
        qsizetype take = total - in < target + min ? total - in : target;
        if (data[in + take - 1] == u'\r' && in + take < total && data[in + take] == u'\n')
            ++take; // keep a "\r\n" together
        QString chunk(take, Qt::Uninitialized);
        const QChar *const end = writeNormalised(QStringView(data + in, take), chunk.data());
        chunk.truncate(end - chunk.constData());
        appendBreaks(chunk, m_size, m_breaks);
        m_chunkStarts.push_back(m_size);
        m_size += chunk.size();
        m_chunks.push_back(std::move(chunk));
        in += take;
    }
    // Many "\r\n" may have left the last chunk small.
    if (m_chunks.size() > 1 && m_chunks.back().size() < min) {
        m_chunks[m_chunks.size() - 2].append(m_chunks.back());
        m_chunks.pop_back();
        m_chunkStarts.pop_back();
    }
}

qsizetype TextStore::chunkAt(qsizetype position) const {
    const auto after = std::upper_bound(m_chunkStarts.begin(), m_chunkStarts.end(), position);
    return std::max<qsizetype>(after - m_chunkStarts.begin() - 1, 0);
}

void TextStore::clamp(qsizetype &position, qsizetype &length) const {
    position = std::clamp<qsizetype>(position, 0, m_size);
    length = std::clamp<qsizetype>(length, 0, m_size - position);
}

QChar TextStore::at(qsizetype position) const {
    if (position < 0 || position >= m_size)
        return {};
    const qsizetype chunk = chunkAt(position);
    return m_chunks[size_t(chunk)][position - m_chunkStarts[size_t(chunk)]];
}

QString TextStore::mid(qsizetype position, qsizetype length) const {
    if (length < 0)
        length = m_size;
    clamp(position, length);
    if (length == 0)
        return {};
    size_t chunk = size_t(chunkAt(position));
    qsizetype from = position - m_chunkStarts[chunk];
    if (from + length <= m_chunks[chunk].size())
        return m_chunks[chunk].mid(from, length);
    QString text(length, Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype left = length; left > 0; ++chunk, from = 0) {
        const qsizetype take = std::min(left, m_chunks[chunk].size() - from);
        std::memcpy(out, m_chunks[chunk].constData() + from, size_t(take) * sizeof(QChar));
        out += take;
        left -= take;
    }
    return text;
}

QString TextStore::toPlain() const {
    if (m_chunks.size() == 1)
        return m_chunks.front();
    return joinChunks(m_chunks, m_size);
}

qsizetype TextStore::lineStart(qsizetype line) const {
    line = std::clamp<qsizetype>(line, 0, lineCount() - 1);
    return line == 0 ? 0 : m_breaks[size_t(line - 1)] + 1;
}

qsizetype TextStore::lineLength(qsizetype line) const {
    line = std::clamp<qsizetype>(line, 0, lineCount() - 1);
    const qsizetype end = line < qsizetype(m_breaks.size()) ? m_breaks[size_t(line)] : m_size;
    return end - lineStart(line);
}

qsizetype TextStore::lineAt(qsizetype position) const {
    position = std::clamp<qsizetype>(position, 0, m_size);
    return std::lower_bound(m_breaks.begin(), m_breaks.end(), position) - m_breaks.begin();
}

QString TextStore::lineText(qsizetype line, qsizetype from, qsizetype length) const {
    const qsizetype lineLength = this->lineLength(line);
    from = std::clamp<qsizetype>(from, 0, lineLength);
    length = length < 0 ? lineLength - from : std::min(length, lineLength - from);
    return mid(lineStart(line) + from, length);
}

TextPiece TextStore::piece(qsizetype position, qsizetype length) const {
    clamp(position, length);
    TextPiece piece;
    if (length == 0)
        return piece;
    piece.m_size = length;
    size_t chunk = size_t(chunkAt(position));
    qsizetype from = position - m_chunkStarts[chunk];
    for (qsizetype left = length; left > 0; ++chunk, from = 0) {
        const QString &text = m_chunks[chunk];
        const qsizetype take = std::min(left, text.size() - from);
        // A small part of a chunk is copied, so that a piece never holds much more text than its own.
        if (2 * take >= text.size())
            piece.m_slices.push_back({text, from, take});
        else
            piece.m_slices.push_back({text.sliced(from, take), 0, take});
        left -= take;
    }
    const auto first = std::lower_bound(m_breaks.begin(), m_breaks.end(), position);
    const auto last = std::lower_bound(first, m_breaks.end(), position + length);
    piece.m_breaks.reserve(size_t(last - first));
    for (auto it = first; it != last; ++it)
        piece.m_breaks.push_back(*it - position);
    return piece;
}

TextPiece TextStore::replace(qsizetype position, qsizetype length, QStringView text) {
    QString normalised;
    if (text.contains(u'\r')) {
        normalised = QString(text.size(), Qt::Uninitialized);
        normalised.truncate(writeNormalised(text, normalised.data()) - normalised.constData());
        text = normalised;
    }
    std::vector<qsizetype> breaks;
    appendBreaks(text, 0, breaks);
    std::vector<Part> parts;
    if (!text.isEmpty())
        parts.push_back({text});
    return replaceWith(position, length, parts, text.size(), breaks.data(), qsizetype(breaks.size()));
}

TextPiece TextStore::replace(qsizetype position, qsizetype length, const TextPiece &piece) {
    std::vector<Part> parts;
    parts.reserve(piece.m_slices.size());
    for (const TextPiece::Slice &slice : piece.m_slices) {
        const bool whole = slice.from == 0 && slice.length == slice.chunk.size();
        parts.push_back({QStringView(slice.chunk).sliced(slice.from, slice.length), whole ? &slice.chunk : nullptr});
    }
    return replaceWith(position, length, parts, piece.m_size, piece.m_breaks.data(),
                       qsizetype(piece.m_breaks.size()));
}

TextPiece TextStore::replaceWith(qsizetype position, qsizetype length, const std::vector<Part> &parts,
                                 qsizetype partsSize, const qsizetype *breaks, qsizetype breakCount) {
    clamp(position, length);
    TextPiece removed = piece(position, length);
    if (length == 0 && partsSize == 0)
        return removed;
    replaceBreaks(position, length, breaks, breakCount, partsSize - length);
    replaceChunks(position, length, parts, partsSize);
    m_size += partsSize - length;
    m_snapshotBreaks.reset();
    return removed;
}

void TextStore::replaceBreaks(qsizetype position, qsizetype length, const qsizetype *breaks,
                              qsizetype breakCount, qsizetype delta) {
    const auto first = std::lower_bound(m_breaks.begin(), m_breaks.end(), position);
    const auto last = std::lower_bound(first, m_breaks.end(), position + length);
    const qsizetype from = first - m_breaks.begin();
    const qsizetype removed = last - first;
    // One move of the tail, however many breaks go and come.
    if (breakCount > removed)
        m_breaks.insert(last, size_t(breakCount - removed), 0);
    else if (breakCount < removed)
        m_breaks.erase(first + breakCount, last);
    qsizetype *const out = m_breaks.data() + from;
    for (qsizetype i = 0; i < breakCount; ++i)
        out[i] = breaks[i] + position;
    if (delta != 0) {
        qsizetype *const end = m_breaks.data() + m_breaks.size();
        for (qsizetype *tail = out + breakCount; tail != end; ++tail)
            *tail += delta;
    }
}

void TextStore::replaceChunks(qsizetype position, qsizetype length, const std::vector<Part> &parts,
                              qsizetype partsSize) {
    const qsizetype min = m_chunkSize / 2;
    const qsizetype max = m_chunkSize * 2;
    const qsizetype count = qsizetype(m_chunks.size());
    const qsizetype delta = partsSize - length;

    // Within one chunk that stays a fine size: edit that chunk alone (a copy of it when something shares it).
    if (count > 0 && parts.size() <= 1) {
        const size_t chunk = size_t(chunkAt(position));
        QString &text = m_chunks[chunk];
        const qsizetype from = position - m_chunkStarts[chunk];
        const qsizetype newSize = text.size() + delta;
        if (from + length <= text.size() && newSize <= max && (newSize >= min || (count == 1 && newSize > 0))) {
            const QStringView in = parts.empty() ? QStringView() : parts.front().view;
            text.replace(from, length, in.data(), in.size());
            for (size_t i = chunk + 1; i < m_chunkStarts.size(); ++i)
                m_chunkStarts[i] += delta;
            return;
        }
    }

    // Otherwise rebuild the chunks the edit touches, from the part of the first before the edit, the text
    // going in and the part of the last after the edit.
    ChunkBuilder builder(m_chunkSize);
    const auto add = [&builder](const QString &chunk, qsizetype from, qsizetype take) {
        if (take == chunk.size())
            builder.addChunk(chunk);
        else if (take > 0)
            builder.addView(QStringView(chunk).sliced(from, take));
    };
    qsizetype first = 0; // the chunks [first, last) get replaced
    qsizetype last = 0;
    if (count > 0) {
        first = chunkAt(position);
        last = (length == 0 ? first : chunkAt(position + length - 1)) + 1;
        add(m_chunks[size_t(first)], 0, position - m_chunkStarts[size_t(first)]);
    }
    for (const Part &part : parts) {
        if (part.whole)
            builder.addChunk(*part.whole);
        else
            builder.addView(part.view);
    }
    if (count > 0) {
        const QString &chunk = m_chunks[size_t(last - 1)];
        const qsizetype from = position + length - m_chunkStarts[size_t(last - 1)];
        add(chunk, from, chunk.size() - from);
    }
    // A small run left at the end joins the chunk after it, or else the one before.
    if (builder.pendingTooSmall()) {
        if (last < count) {
            builder.addChunk(m_chunks[size_t(last++)]);
        } else if (!builder.chunks.empty()) {
            QString previous = std::move(builder.chunks.back());
            builder.chunks.pop_back();
            builder.joinPendingTo(std::move(previous));
        } else if (first > 0) {
            builder.joinPendingTo(m_chunks[size_t(--first)]);
        }
    }
    builder.flush();

    std::vector<QString> &made = builder.chunks;
    const qsizetype replaced = last - first;
    const qsizetype madeCount = qsizetype(made.size());
    const auto at = m_chunks.begin() + first;
    std::move(made.begin(), made.begin() + std::min(replaced, madeCount), at);
    if (madeCount > replaced)
        m_chunks.insert(at + replaced, std::make_move_iterator(made.begin() + replaced),
                        std::make_move_iterator(made.end()));
    else if (madeCount < replaced)
        m_chunks.erase(at + madeCount, at + replaced);
    m_chunkStarts.resize(m_chunks.size());
    for (size_t i = size_t(std::max<qsizetype>(first, 1)); i < m_chunks.size(); ++i)
        m_chunkStarts[i] = m_chunkStarts[i - 1] + m_chunks[i - 1].size();
    if (!m_chunkStarts.empty())
        m_chunkStarts[0] = 0;
}

TextSnapshot TextStore::snapshot() const {
    if (!m_snapshotBreaks)
        m_snapshotBreaks = std::make_shared<const std::vector<qsizetype>>(m_breaks);
    TextSnapshot snapshot;
    snapshot.m_chunks = m_chunks;
    snapshot.m_breaks = m_snapshotBreaks;
    snapshot.m_size = m_size;
    return snapshot;
}

} // namespace rw
