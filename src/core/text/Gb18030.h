#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace rw {

// GB18030 with the 2005 mapping, the encoding of the working files and of imported texts that are not
// UTF-8. The same code and tables on every system, so a text gives the same bytes on Linux and on
// Windows (whose Qt has no ICU converter).
//
// Decoding: each invalid sequence is one U+FFFD, as ICU's converter has it. A lead byte whose next byte
// cannot follow it is invalid on its own and that byte is read again (unless it is 0x80 or 0xFF,
// which start nothing and go with it); a four-byte sequence that stops short of its fourth byte is its
// lead byte alone; a complete four-byte sequence that is no character is one U+FFFD. A sequence cut
// off by the end of the bytes is invalid like any other.
QString decodeGb18030(QByteArrayView bytes);

// The most bytes encodeGb18030 writes for units UTF-16 units.
constexpr qsizetype gb18030MaxBytes(qsizetype units) {
    return 4 * units;
}

// Writes text's bytes to out, which has room for gb18030MaxBytes(text.size()); returns the end. Every
// character has its sequence; a lone surrogate, which is none, becomes 0x1A (SUB), as with ICU.
char *encodeGb18030(QStringView text, char *out);

// text's bytes, as encodeGb18030 writes them.
QByteArray toGb18030(QStringView text);

} // namespace rw
