// Working files and imports at 50 MB: reading and decoding (GB18030, or UTF-8 for an import) and encoding
// with an atomic write, against a bare QFile read or write of the same bytes.
#include "BenchSupport.h"
#include "core/text/DocumentText.h"
#include "core/text/Gb18030.h"
#include "core/text/ImportedText.h"
#include "core/text/LineBreaks.h"
#include "core/text/WorkingFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 5;
constexpr qsizetype TargetBytes = 50'000'000;

// Lines of mixed Chinese and Latin text with "\n" breaks, as a text widget holds them, about 50 MB as
// GB18030.
QString generateText() {
    const QString chinese = QStringLiteral("正则表达式测试文本，包含中文字符与标点。");
    const QString latin = QStringLiteral(" The quick brown fox 0123456789 jumps over the lazy dog ");
    QString text;
    text.reserve(TargetBytes);
    qsizetype bytes = 0;
    for (int line = 0; bytes < TargetBytes; ++line) {
        const qsizetype before = text.size();
        text += QString::number(line);
        text += chinese.left(5 + line % 15);
        text += latin.left(10 + line % 40);
        text += chinese.right(1 + line % 10);
        text += u'\n';
        // Chinese characters take two bytes, the rest one.
        for (qsizetype i = before; i < text.size(); ++i)
            bytes += text[i].unicode() < 0x80 ? 1 : 2;
    }
    return text;
}

QByteArray plainRead(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool plainWrite(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void printRow(const char *what, double ms, double baseline) {
    std::printf("%-44s %10.1f %10.1f %8.2f\n", what, ms, baseline, ms / baseline);
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString gbPath = dir.filePath("test.txt");
    const QString utf8Path = dir.filePath("import-utf8.txt");
    const QString plainPath = dir.filePath("plain.txt");

    const QString text = generateText();
    QString error;
    if (!rw::writeWorkingFile(gbPath, text, &error)) {
        std::fprintf(stderr, "write failed: %s\n", qPrintable(error));
        return 1;
    }
    const QByteArray gbBytes = plainRead(gbPath);
    const QByteArray utf8Bytes = rw::paragraphsToCrLf(text).toUtf8();
    plainWrite(utf8Path, utf8Bytes);

    bool ok = true;
    QString loaded;
    const double loadMs =
        rwbench::medianMs(Runs, [&] { loaded = rw::fromCrLf(rw::readWorkingFile(gbPath).text); });
    ok = ok && loaded == text;
    const double plainGbReadMs =
        rwbench::medianMs(Runs, [&] { ok = ok && plainRead(gbPath).size() == gbBytes.size(); });

    const double saveMs = rwbench::medianMs(Runs, [&] { ok = ok && rw::writeWorkingFile(gbPath, text); });
    const double plainGbWriteMs = rwbench::medianMs(Runs, [&] { ok = ok && plainWrite(plainPath, gbBytes); });
    ok = ok && plainRead(gbPath) == gbBytes;

    QString imported;
    const double importGbMs =
        rwbench::medianMs(Runs, [&] { imported = rw::readImportFile(gbPath).value_or(QString()); });
    ok = ok && imported.size() == rw::paragraphsToCrLf(text).size();
    const double importUtf8Ms =
        rwbench::medianMs(Runs, [&] { imported = rw::readImportFile(utf8Path).value_or(QString()); });
    ok = ok && imported.size() == rw::paragraphsToCrLf(text).size();
    const double plainUtf8ReadMs =
        rwbench::medianMs(Runs, [&] { ok = ok && plainRead(utf8Path).size() == utf8Bytes.size(); });

    std::printf("Working files and imports: %.1f MB GB18030 (%.1f MB as UTF-8), %lld lines (medians of %d)\n",
                gbBytes.size() / 1e6, utf8Bytes.size() / 1e6, static_cast<long long>(text.count(u'\n')),
                Runs);
    std::printf("%-44s %10s %10s %8s\n", "measure", "ms", "bare ms", "ratio");
    printRow("load working file (read, GB18030, \\r\\n->\\n)", loadMs, plainGbReadMs);
    printRow("save working file (\\n->\\r\\n, GB18030, atomic)", saveMs, plainGbWriteMs);
    printRow("import GB18030 file (UTF-8 check, decode)", importGbMs, plainGbReadMs);
    printRow("import UTF-8 file (check and decode)", importUtf8Ms, plainUtf8ReadMs);
    std::printf("bare ms: QFile::readAll / QFile::write of the same bytes\n");

    // The program's own GB18030 codec against ICU's converter through Qt, where Qt has it (not on Windows).
    if (QStringDecoder("GB18030").isValid()) {
        const QString crlf = rw::paragraphsToCrLf(text);
        QString decoded;
        QByteArray encoded;
        const double oursDecodeMs = rwbench::medianMs(Runs, [&] { decoded = rw::decodeGb18030(gbBytes); });
        const double icuDecodeMs = rwbench::medianMs(Runs, [&] {
            QStringDecoder decoder("GB18030");
            decoded = decoder.decode(gbBytes);
        });
        ok = ok && decoded == rw::decodeGb18030(gbBytes);
        const double oursEncodeMs = rwbench::medianMs(Runs, [&] { encoded = rw::toGb18030(crlf); });
        const double icuEncodeMs = rwbench::medianMs(Runs, [&] {
            QStringEncoder encoder("GB18030");
            encoded = encoder.encode(crlf);
        });
        ok = ok && encoded == rw::toGb18030(crlf);
        std::printf("\n%-44s %10s %10s %8s\n", "GB18030 codec", "ms", "ICU ms", "ratio");
        printRow("decode (ours / ICU's)", oursDecodeMs, icuDecodeMs);
        printRow("encode (ours / ICU's)", oursEncodeMs, icuEncodeMs);
    }
    if (!ok)
        std::fprintf(stderr, "a result differed from the input\n");
    return ok ? 0 : 1;
}
