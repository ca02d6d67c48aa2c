// The GB18030 codec: the same bytes on every system. A table of cases with their bytes runs
// everywhere; where Qt has ICU's converter (Linux), every sequence and every character is compared
// with it, and random bytes of GB18030's shapes are decoded by both.
#include "core/text/Gb18030.h"
#include "core/text/Gb18030Tables.h"

#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

namespace {

const QString fffd(QChar::ReplacementCharacter);

QString units(std::initializer_list<char16_t> list) {
    QString text;
    for (char16_t u : list)
        text.append(QChar(u));
    return text;
}

// What the system's converter makes of bytes as a whole file (a sequence cut off by the end is
// invalid, as in decodeToEnd).
QString systemDecode(QByteArrayView bytes) {
    QStringDecoder decoder("GB18030");
    QString text = decoder.decode(bytes);
    QString rest = decoder.decode(QByteArrayView("\n\n\n\n"));
    rest.remove(u'\n');
    return text + rest;
}

QString hex(QStringView text) {
    QStringList parts;
    for (QChar c : text)
        parts << QString::number(c.unicode(), 16);
    return parts.join(u' ');
}

} // namespace

class tst_Gb18030 : public QObject {
    Q_OBJECT

private slots:
    void decodeAndEncode_data();
    void decodeAndEncode();
    void invalidBytes_data();
    void invalidBytes();
    void loneSurrogates();
    void everySequenceAsIcuHasIt();
    void everyCharacterAsIcuHasIt();
    void randomBytesAsIcuHasThem();
};

void tst_Gb18030::decodeAndEncode_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ASCII and control characters") << QByteArray("a\r\n\t\x7F~") << QString("a\r\n\t\x7F~");
    QTest::newRow("GBK two-byte") << QByteArray("\xC4\xE3\xBA\xC3\xA3\xAC") << QStringLiteral("你好，");
    QTest::newRow("euro sign (0xA2E3, not 0x80)") << QByteArray("\xA2\xE3") << QStringLiteral("€");
    QTest::newRow("GBK/3 and GBK/4 areas") << QByteArray("\x81\x40\xFE\x4F") << units({0x4E02, 0xFA29});
    QTest::newRow("user-defined area") << QByteArray("\xAA\xA1\xFE\xFE") << units({0xE000, 0xE4C5});
    QTest::newRow("2005 mapping: 0xA8BC and 0x8135F437")
        << QByteArray("\xA8\xBC\x81\x35\xF4\x37") << units({0x1E3F, 0xE7C7});
    QTest::newRow("four-byte: first and last of the BMP")
        << QByteArray("\x81\x30\x81\x30\x84\x31\xA4\x39") << units({0x0080, 0xFFFF});
    QTest::newRow("four-byte: U+FFFD itself") << QByteArray("\x84\x31\xA4\x37") << fffd;
    QTest::newRow("four-byte: supplementary planes")
        << QByteArray("\x90\x30\x81\x30\x94\x39\xFC\x36\xE3\x32\x9A\x35")
        << QString::fromUcs4(U"\U00010000\U0001F600\U0010FFFF");
    QTest::newRow("a NUL is a character like any other") << QByteArray("a\0b", 3) << units({u'a', 0, u'b'});
}

void tst_Gb18030::decodeAndEncode() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(hex(rw::decodeGb18030(bytes)), hex(text));
    QCOMPARE(rw::toGb18030(text), bytes);
}

void tst_Gb18030::invalidBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("0x80 and 0xFF start nothing") << QByteArray("\x80z\xFF") << fffd + "z" + fffd;
    QTest::newRow("lead at the end") << QByteArray("ab\x81") << "ab" + fffd;
    QTest::newRow("lead before ASCII: the ASCII stays")
        << QByteArray("\x81\x7F\x81 ") << fffd + "\x7F" + fffd + " ";
    QTest::newRow("lead before 0xFF: both go") << QByteArray("x\x81\xFFy") << "x" + fffd + "y";
    QTest::newRow("four-byte cut after two") << QByteArray("ab\x81\x30") << "ab" + fffd + "0";
    QTest::newRow("four-byte cut after three") << QByteArray("ab\x81\x30\x81") << "ab" + fffd + "0" + fffd;
    QTest::newRow("four-byte with a bad third byte")
        << QByteArray("\x81\x30\xFF\x30") << fffd + "0" + fffd + "0";
    QTest::newRow("four-byte with a bad fourth byte")
        << QByteArray("\x81\x30\x81\x29") << fffd + "0" + fffd + ")";
    QTest::newRow("four-byte past the BMP's sequences")
        << QByteArray("\x84\x31\xA5\x30\x8F\x39\xFE\x39") << fffd + fffd;
    QTest::newRow("four-byte past U+10FFFF") << QByteArray("\xE3\x32\x9A\x36\xFE\x39\xFE\x39") << fffd + fffd;
}

void tst_Gb18030::invalidBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(hex(rw::decodeGb18030(bytes)), hex(text));
}

void tst_Gb18030::loneSurrogates() {
    QCOMPARE(rw::toGb18030(units({0xD800, u'x', 0xDC00, 0xD83D})), QByteArray("\x1Ax\x1A\x1A"));
    QCOMPARE(rw::toGb18030(units({0xDE00, 0xD83D, 0xDE00})), QByteArray("\x1A\x94\x39\xFC\x36"));
}

void tst_Gb18030::everySequenceAsIcuHasIt() {
    if (!QStringDecoder("GB18030").isValid())
        QSKIP("this Qt has no GB18030 converter to compare with");
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0; trail <= 0xFF; ++trail) {
            const char pair[2] = {char(lead), char(trail)};
            QCOMPARE(hex(rw::decodeGb18030({pair, 2})), hex(systemDecode({pair, 2})));
        }
    }
    for (int b1 = 0x81; b1 <= 0xFE; ++b1) {
        for (int b2 = 0x30; b2 <= 0x39; ++b2) {
            for (int b3 = 0x81; b3 <= 0xFE; ++b3) {
                // Every fourth byte in the BMP's part and around the planes' ends, a few elsewhere.
                const bool all = b1 <= 0x85 || b1 == 0x90 || b1 == 0xE3 || b1 == 0xE4;
                for (int b4 = 0x30; b4 <= 0x39; b4 += all ? 1 : 9) {
                    const char four[4] = {char(b1), char(b2), char(b3), char(b4)};
                    const QString expected = systemDecode({four, 4});
                    const QString actual = rw::decodeGb18030({four, 4});
                    if (actual != expected)
                        QFAIL(qPrintable(QStringLiteral("%1 %2 %3 %4: %5, not %6")
                                             .arg(b1, 0, 16)
                                             .arg(b2, 0, 16)
                                             .arg(b3, 0, 16)
                                             .arg(b4, 0, 16)
                                             .arg(hex(actual), hex(expected))));
                }
            }
        }
    }
}

void tst_Gb18030::everyCharacterAsIcuHasIt() {
    if (!QStringEncoder("GB18030").isValid())
        QSKIP("this Qt has no GB18030 converter to compare with");
    QStringEncoder encoder("GB18030");
    for (char32_t ch = 0; ch <= 0x10FFFF; ch += ch < 0x10000 ? 1 : 97) {
        if (ch >= 0xD800 && ch < 0xE000)
            continue;
        const QString text = QString::fromUcs4(&ch, 1);
        const QByteArray expected = encoder.encode(text);
        const QByteArray actual = rw::toGb18030(text);
        if (actual != expected)
            QFAIL(qPrintable(
                QStringLiteral("U+%1: %2, not %3")
                    .arg(qulonglong(ch), 4, 16, QChar(u'0'))
                    .arg(QString::fromLatin1(actual.toHex(' ')), QString::fromLatin1(expected.toHex(' ')))));
        QCOMPARE(rw::decodeGb18030(actual), text);
    }
}

void tst_Gb18030::randomBytesAsIcuHasThem() {
    if (!QStringDecoder("GB18030").isValid())
        QSKIP("this Qt has no GB18030 converter to compare with");
    // Bytes drawn from the classes the decoder tells apart, so that every way a sequence breaks comes up.
    const QByteArray classes[] = {"a0\x7F", "\x80\xFF", "\x81\x90\xE3\xFE", "\x30\x39", "\x40\x7E\xA1"};
    QRandomGenerator random(18030);
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes;
        const int length = 1 + int(random.bounded(12));
        for (int i = 0; i < length; ++i) {
            const QByteArray &from = classes[random.bounded(int(std::size(classes)))];
            bytes.append(from[random.bounded(int(from.size()))]);
        }
        const QString expected = systemDecode(bytes);
        if (rw::decodeGb18030(bytes) != expected)
            QFAIL(qPrintable(QStringLiteral("%1: %2, not %3")
                                 .arg(QString::fromLatin1(bytes.toHex(' ')), hex(rw::decodeGb18030(bytes)),
                                      hex(expected))));
    }
}

QTEST_APPLESS_MAIN(tst_Gb18030)
#include "tst_gb18030.moc"
