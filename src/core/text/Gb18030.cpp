#include "Gb18030.h"

#include "Gb18030Tables.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace rw {

namespace {

using namespace gb18030;

// Four-byte sequences outside the Basic Multilingual Plane: 0x90308130 is U+10000, numbered on to
// 0xE3329A35, U+10FFFF.
constexpr int SupplementaryBase = ((0x90 - 0x81) * 10 * 126 * 10);

bool isLead(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}
bool isDigit(unsigned char b) {
    return b >= 0x30 && b <= 0x39;
}

int twoByteIndex(unsigned char lead, unsigned char trail) {
    return (lead - 0x81) * TwoByteTrails + (trail < 0x7F ? trail - 0x40 : trail - 0x41);
}

int fourByteNumber(const unsigned char *b) {
    return (((b[0] - 0x81) * 10 + (b[1] - 0x30)) * 126 + (b[2] - 0x81)) * 10 + (b[3] - 0x30);
}

void putFourBytes(int number, char *out) {
    out[3] = char(0x30 + number % 10);
    number /= 10;
    out[2] = char(0x81 + number % 126);
    number /= 126;
    out[1] = char(0x30 + number % 10);
    out[0] = char(0x81 + number / 10);
}

// The character of a BMP four-byte sequence, 0 when it is none.
char16_t fourByteBmp(int number) {
    const FourByteRun *end = FourByteRuns + FourByteRunCount;
    const FourByteRun *run = std::upper_bound(FourByteRuns, end, number,
                                              [](int n, const FourByteRun &r) { return n < r.linear; }) -
                             1;
    return run->ch == 0 ? 0 : char16_t(run->ch + (number - run->linear));
}

// Each BMP character's sequence: 0 for ASCII and surrogates, else 0x8000 | the two-byte index, or
// 0x10000 | the four-byte number.
class EncodeTable {
public:
    EncodeTable() {
        for (int i = 0; i < TwoByteCount; ++i) {
            if (TwoByte[i] != 0)
                m_codes[TwoByte[i]] = TwoByteFlag | std::uint32_t(i);
        }
        for (std::size_t r = 0; r < FourByteRunCount; ++r) {
            const FourByteRun &run = FourByteRuns[r];
            const int end = r + 1 < FourByteRunCount ? FourByteRuns[r + 1].linear : FourByteBmpCount;
            if (run.ch == 0)
                continue;
            for (int n = run.linear; n < end; ++n)
                m_codes[run.ch + (n - run.linear)] = FourByteFlag | std::uint32_t(n);
        }
    }
    std::uint32_t operator[](char16_t ch) const { return m_codes[ch]; }

    static constexpr std::uint32_t TwoByteFlag = 0x8000;
    static constexpr std::uint32_t FourByteFlag = 0x10000;

private:
    std::array<std::uint32_t, 0x10000> m_codes{};
};

const EncodeTable &encodeTable() {
    static const EncodeTable table;
    return table;
}

} // namespace

QString decodeGb18030(QByteArrayView bytes) {
    // Never more characters than bytes: a four-byte sequence gives at most two.
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = b[i];
        if (c < 0x80) {
            *out++ = c;
            ++i;
            continue;
        }
        if (!isLead(c) || i + 1 == n) {
            *out++ = QChar::ReplacementCharacter;
            ++i;
            continue;
        }
        const unsigned char next = b[i + 1];
        if ((next >= 0x40 && next <= 0xFE && next != 0x7F)) {
            const char16_t ch = TwoByte[twoByteIndex(c, next)];
            *out++ = ch ? ch : char16_t(QChar::ReplacementCharacter);
            i += 2;
        } else if (isDigit(next) && i + 3 < n && isLead(b[i + 2]) && isDigit(b[i + 3])) {
            const int number = fourByteNumber(b + i);
            if (number < FourByteBmpCount) {
                const char16_t ch = fourByteBmp(number);
                *out++ = ch ? ch : char16_t(QChar::ReplacementCharacter);
            } else if (number >= SupplementaryBase && number - SupplementaryBase <= 0xFFFFF) {
                const char32_t ch = char32_t(number - SupplementaryBase + 0x10000);
                *out++ = QChar::highSurrogate(ch);
                *out++ = QChar::lowSurrogate(ch);
            } else {
                *out++ = QChar::ReplacementCharacter;
            }
            i += 4;
        } else {
            *out++ = QChar::ReplacementCharacter;
            // 0x80 and 0xFF start nothing: they go with the lead; any other byte is read again.
            i += (next == 0x80 || next == 0xFF) ? 2 : 1;
        }
    }
    text.truncate(reinterpret_cast<QChar *>(out) - text.constData());
    // Two-byte characters leave half of the room unused: give it back.
    if (text.size() < bytes.size())
        text.squeeze();
    return text;
}

char *encodeGb18030(QStringView text, char *out) {
    const EncodeTable &table = encodeTable();
    const qsizetype n = text.size();
    const char16_t *s = text.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ch = s[i];
        if (ch < 0x80) {
            *out++ = char(ch);
        } else if (QChar::isSurrogate(ch)) {
            if (QChar::isHighSurrogate(ch) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
                putFourBytes(int(QChar::surrogateToUcs4(ch, s[i + 1]) - 0x10000) + SupplementaryBase, out);
                out += 4;
                ++i;
            } else {
                *out++ = 0x1A;
            }
        } else if (const std::uint32_t code = table[ch]; code & EncodeTable::FourByteFlag) {
            putFourBytes(int(code & 0xFFFF), out);
            out += 4;
        } else {
            const int index = int(code & 0x7FFF);
            out[0] = char(0x81 + index / TwoByteTrails);
            const int trail = index % TwoByteTrails;
            out[1] = char(trail < 0x3F ? 0x40 + trail : 0x41 + trail);
            out += 2;
        }
    }
    return out;
}

QByteArray toGb18030(QStringView text) {
    QByteArray bytes(gb18030MaxBytes(text.size()), Qt::Uninitialized);
    bytes.truncate(encodeGb18030(text, bytes.data()) - bytes.constData());
    return bytes;
}

} // namespace rw
