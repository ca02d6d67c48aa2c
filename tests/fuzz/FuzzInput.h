#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace rwfuzz {

// Reads a fuzzer's bytes front to back; past the end every read gives zeros or empty texts, so a
// target never has to check lengths.
class FuzzInput final {
public:
    FuzzInput(const std::uint8_t *data, std::size_t size)
        : m_bytes(reinterpret_cast<const char *>(data), qsizetype(size)) {}

    std::uint8_t byte() { return m_pos < m_bytes.size() ? std::uint8_t(m_bytes[m_pos++]) : 0; }

    // The bytes up to the next zero byte (which is skipped), or up to the end.
    QByteArrayView field() {
        const qsizetype from = m_pos;
        while (m_pos < m_bytes.size() && m_bytes[m_pos] != '\0')
            ++m_pos;
        const QByteArrayView piece = m_bytes.sliced(from, m_pos - from);
        if (m_pos < m_bytes.size())
            ++m_pos;
        return piece;
    }

    // A field as UTF-8 (malformed bytes become U+FFFD), or with raw set as UTF-16LE code units, so that
    // lone surrogates and any other unit can reach the code under test.
    QString text(bool raw = false) {
        const QByteArrayView bytes = field();
        if (!raw)
            return QString::fromUtf8(bytes);
        QString units(bytes.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < units.size(); ++i)
            units[i] = QChar(char16_t(std::uint8_t(bytes[2 * i]) | std::uint8_t(bytes[2 * i + 1]) << 8));
        return units;
    }

    QByteArrayView rest() {
        const QByteArrayView tail = m_bytes.sliced(m_pos);
        m_pos = m_bytes.size();
        return tail;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

// Stops the fuzzer with a finding when an invariant does not hold (active in every build type).
#define RW_FUZZ_CHECK(condition)                                                                             \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition);           \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

} // namespace rwfuzz
