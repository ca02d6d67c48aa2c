#include "TextStore.h"
#include "core/memory/HugePages.h"

#include "core/text/LineBreaks.h"

#include <algorithm>
#include <cstring>

namespace rw {

namespace {

// Writes text with every "\r\n" and lone "\r" as "\n" to out, which has room for text.size() characters;
// returns the end of what was written. Copies the runs between "\r" whole; out may be text.data() itself.
QChar *writeNormalised(QStringView text, QChar *out) {
    const qsizetype size = text.size();
    qsizetype from = 0;
    while (from < size) {
        qsizetype cr = text.indexOf(u'\r', from);
        if (cr < 0)
            cr = size;
        std::memmove(out, text.data() + from, size_t(cr - from) * sizeof(QChar));
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

// part (which lies in owner) as a string sharing owner's buffer: no copy. Such a string is not followed by a
// '\0', so it never leaves the store; when it is the last one holding the buffer, Qt edits it in place.
QString sharedPart(const QString &owner, QStringView part) {
    if (!owner.data_ptr().isMutable())
        return part.toString(); // static or raw data: nothing to share
    if (part.size() == owner.size())
        return owner;
    QString::DataPointer data = owner.data_ptr(); // one more reference to the buffer
    data.setBegin(const_cast<char16_t *>(part.utf16()));
    data.size = part.size();
    return QString(std::move(data));
}

QString joinChunks(const std::vector<QString> &chunks, qsizetype size) {
    QString text(size, Qt::Uninitialized);
    adviseHugePages(text.data(), std::size_t(text.size()) * sizeof(QChar));
    QChar *out = text.data();
    for (const QString &chunk : chunks) {
        std::memcpy(out, chunk.constData(), size_t(chunk.size()) * sizeof(QChar));
        out += chunk.size();
    }
    return text;
}

// The chunks' text with "\r\n" for every "\n"; breaks is how many "\n" they hold. The breaks are found
// again here, on the worker, rather than copied out of the store's index on the editing thread.
QString joinChunksCrLf(const std::vector<QString> &chunks, qsizetype breaks, qsizetype size) {
    QString text(size + breaks, Qt::Uninitialized);
    adviseHugePages(text.data(), std::size_t(text.size()) * sizeof(QChar));
    QChar *out = text.data();
    for (const QString &chunk : chunks) {
        const QStringView in(chunk);
        qsizetype from = 0;
        for (qsizetype at = in.indexOf(u'\n'); at >= 0; at = in.indexOf(u'\n', from)) {
            std::memcpy(out, in.data() + from, size_t(at - from) * sizeof(QChar));
            out += at - from;
            *out++ = u'\r';
            *out++ = u'\n';
            from = at + 1;
        }
        std::memcpy(out, in.data() + from, size_t(in.size() - from) * sizeof(QChar));
        out += in.size() - from;
    }
    return text;
}

// Cuts the text of an edit into chunks: runs of a fine size that lie in a string are kept as parts of it
// (shared), the rest is copied into chunks of about the target size.
class ChunkBuilder {
public:
    explicit ChunkBuilder(qsizetype target) : m_target(target), m_min(target / 2), m_max(target * 2) {}

    // Adds text, which lies in owner when there is one.
    void add(QStringView text, const QString *owner) {
        while (!text.isEmpty()) {
            if (owner && text.size() >= m_min && (m_pending.isEmpty() || m_pending.size() >= m_min)) {
                flush();
                const qsizetype take = text.size() <= m_max ? text.size() : m_target;
                chunks.push_back(sharedPart(*owner, text.first(take)));
                text = text.sliced(take);
            } else if (m_pending.size() + text.size() <= m_max) {
                m_pending.append(text);
                return;
            } else if (m_pending.isEmpty()) {
                chunks.push_back(text.first(m_target).toString());
                text = text.sliced(m_target);
            } else if (m_pending.size() >= m_target) {
                flush();
            } else {
                // The small run before joins this text: a copy of at most one chunk.
                const qsizetype take = m_target - m_pending.size();
                m_pending.append(text.first(take));
                text = text.sliced(take);
                flush();
            }
        }
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

// A run of the text going into the store; owner, when set, is the string it lies in, to share.
struct TextStore::Part {
    QStringView view;
    const QString *owner = nullptr;
};

// ---- TextPiece

TextPiece::TextPiece(QString text) {
    text = fromCrLf(std::move(text));
    m_size = text.size();
    appendBreaks(text, 0, m_breaks);
    if (m_size > 0)
        m_slices.push_back({std::move(text), 0, m_size}); // a store shares it in chunks
}

QString TextPiece::toString() const {
    QString text(m_size, Qt::Uninitialized);
    adviseHugePages(text.data(), std::size_t(text.size()) * sizeof(QChar));
    QChar *out = text.data();
    for (const Slice &slice : m_slices) {
        std::memcpy(out, slice.chunk.constData() + slice.from, size_t(slice.length) * sizeof(QChar));
        out += slice.length;
    }
    return text;
}

// ---- TextSnapshot

QString TextSnapshot::toPlain() const {
    return joinChunks(m_chunks, m_size);
}

QString TextSnapshot::toCrLf() const {
    return joinChunksCrLf(m_chunks, m_breaks, m_size);
}

bool TextSnapshot::sameText(const TextSnapshot &other) const {
    if (m_size != other.m_size)
        return false;
    // The two lists may cut the text at different places: walk both at once.
    size_t i = 0, j = 0;
    qsizetype inA = 0, inB = 0;
    while (i < m_chunks.size() && j < other.m_chunks.size()) {
        const QString &a = m_chunks[i];
        const QString &b = other.m_chunks[j];
        const qsizetype n = std::min(a.size() - inA, b.size() - inB);
        const QChar *pa = a.constData() + inA;
        const QChar *pb = b.constData() + inB;
        if (pa != pb && std::memcmp(pa, pb, size_t(n) * sizeof(QChar)) != 0)
            return false;
        inA += n;
        inB += n;
        if (inA == a.size()) {
            ++i;
            inA = 0;
        }
        if (inB == b.size()) {
            ++j;
            inB = 0;
        }
    }
    return true;
}

// ---- TextStore

TextStore::TextStore(QString text, qsizetype chunkSize) : m_chunkSize(std::max<qsizetype>(chunkSize, 2)) {
    const qsizetype firstCr = text.indexOf(u'\r');
    if (firstCr >= 0) {
        QChar *const data = text.data(); // a copy only when someone else holds the text
        const QChar *const end =
            writeNormalised(QStringView(data + firstCr, text.size() - firstCr), data + firstCr);
        text.truncate(end - data);
    }
    m_size = text.size();
    appendBreaks(text, 0, m_breaks);
    // The chunks are parts of the text's own buffer.
    const qsizetype target = m_chunkSize;
    const qsizetype min = target / 2;
    m_chunks.reserve(size_t(m_size / target + 1));
    m_chunkStarts.reserve(m_chunks.capacity());
    for (qsizetype from = 0; from < m_size;) {
        const qsizetype rest = m_size - from;
        const qsizetype take = rest < target + min ? rest : target; // the last takes what a small one would
        m_chunkStarts.push_back(from);
        m_chunks.push_back(sharedPart(text, QStringView(text).sliced(from, take)));
        from += take;
    }
}

TextStore::TextStore(const TextSnapshot &snapshot) : m_chunks(snapshot.m_chunks), m_size(snapshot.m_size) {
    m_chunkStarts.reserve(m_chunks.size());
    m_breaks.reserve(size_t(snapshot.m_breaks));
    qsizetype from = 0;
    for (const QString &chunk : m_chunks) {
        m_chunkStarts.push_back(from);
        appendBreaks(chunk, from, m_breaks);
        from += chunk.size();
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
        return QString(m_chunks[chunk].constData() + from, length); // never the chunk itself
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
        parts.push_back({text, normalised.isNull() ? nullptr : &normalised});
    return replaceWith(position, length, parts, text.size(), breaks.data(), qsizetype(breaks.size()));
}

TextPiece TextStore::replace(qsizetype position, qsizetype length, const TextPiece &piece) {
    std::vector<Part> parts;
    parts.reserve(piece.m_slices.size());
    for (const TextPiece::Slice &slice : piece.m_slices)
        parts.push_back({QStringView(slice.chunk).sliced(slice.from, slice.length), &slice.chunk});
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
        if (from + length <= text.size() && newSize <= max &&
            (newSize >= min || (count == 1 && newSize > 0))) {
            if (parts.empty())
                text.remove(from, length);
            else
                text.replace(from, length, parts.front().view.data(), parts.front().view.size());
            for (size_t i = chunk + 1; i < m_chunkStarts.size(); ++i)
                m_chunkStarts[i] += delta;
            return;
        }
    }

    // Otherwise rebuild the chunks the edit touches, from the part of the first before the edit, the text
    // going in and the part of the last after the edit.
    ChunkBuilder builder(m_chunkSize);
    const auto add = [&builder](const QString &chunk, qsizetype from, qsizetype take) {
        builder.add(QStringView(chunk).sliced(from, take), &chunk);
    };
    qsizetype first = 0; // the chunks [first, last) get replaced
    qsizetype last = 0;
    if (count > 0) {
        first = chunkAt(position);
        last = (length == 0 ? first : chunkAt(position + length - 1)) + 1;
        add(m_chunks[size_t(first)], 0, position - m_chunkStarts[size_t(first)]);
    }
    for (const Part &part : parts)
        builder.add(part.view, part.owner);
    if (count > 0) {
        const QString &chunk = m_chunks[size_t(last - 1)];
        const qsizetype from = position + length - m_chunkStarts[size_t(last - 1)];
        add(chunk, from, chunk.size() - from);
    }
    // A small run left at the end joins the chunk after it, or else the one before.
    if (builder.pendingTooSmall()) {
        if (last < count) {
            add(m_chunks[size_t(last)], 0, m_chunks[size_t(last)].size());
            ++last;
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

std::vector<qsizetype> TextStore::chunkSizes() const {
    std::vector<qsizetype> sizes;
    sizes.reserve(m_chunks.size());
    for (const QString &chunk : m_chunks)
        sizes.push_back(chunk.size());
    return sizes;
}

TextSnapshot TextStore::snapshot() const {
    TextSnapshot snapshot;
    snapshot.m_chunks = m_chunks;
    snapshot.m_breaks = qsizetype(m_breaks.size());
    snapshot.m_size = m_size;
    return snapshot;
}

} // namespace rw
