// Decoding of an opened or dropped file's bytes: any bytes decode without a fault, and a valid UTF-8
// file comes back exactly (after its byte-order mark; without one, up to its first zero byte).
// Input: the file's bytes. A first byte of 0x01 puts the rest just behind a 1 MiB run of ASCII, so that
// it meets the boundary where the decoder cuts long files into steps.

#include "FuzzInput.h"

#include "core/text/ImportedText.h"

#include <QByteArray>

#include <algorithm>

using namespace rwfuzz;

namespace {

// Strict UTF-8 (RFC 3629): shortest form only, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(QByteArrayView bytes) {
    const auto at = [&](qsizetype i) { return std::uint8_t(bytes[i]); };
    for (qsizetype i = 0; i < bytes.size();) {
        const std::uint8_t b = at(i);
        int length = 0;
        std::uint32_t code = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
            code = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            code = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            code = b & 0x07;
        } else {
            return false;
        }
        if (i + length > bytes.size())
            return false;
        for (int k = 1; k < length; ++k) {
            if ((at(i + k) & 0xC0) != 0x80)
                return false;
            code = code << 6 | (at(i + k) & 0x3F);
        }
        if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) || code > 0x10FFFF ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

// asciiPrefix: how many leading bytes are known to be ASCII other than zero, so need no validation.
void check(QByteArrayView bytes, qsizetype asciiPrefix = 0) {
    const QString text = rw::decodeImported(bytes);
    const QByteArrayView bom("\xEF\xBB\xBF");
    if (bytes.startsWith(bom)) {
        const QByteArrayView body = bytes.sliced(bom.size());
        if (isValidUtf8(body.sliced(std::min(asciiPrefix, body.size()))))
            RW_FUZZ_CHECK(text.toUtf8() == body);
        return;
    }
    const qsizetype zero = bytes.indexOf('\0');
    const QByteArrayView body = zero < 0 ? bytes : bytes.first(zero);
    if (isValidUtf8(body.sliced(std::min(asciiPrefix, body.size()))))
        RW_FUZZ_CHECK(text.toUtf8() == body);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    check(bytes);
    if (size > 1 && data[0] == 0x01) {
        constexpr qsizetype Step = qsizetype(1) << 20;
        const qsizetype prefix = Step - 4 + (data[1] & 7);
        QByteArray padded(prefix, 'a');
        padded += bytes.sliced(2);
        check(padded, prefix);
    }
    return 0;
}
