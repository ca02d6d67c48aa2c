#include "core/textbox/TextStore.h"

#include <QRandomGenerator>
#include <QTest>

#include <atomic>
#include <thread>

using rw::TextPiece;
using rw::TextSnapshot;
using rw::TextStore;

namespace {

struct Edit {
    qsizetype position;
    qsizetype length;
    QString text;
};
using Edits = QList<Edit>;

// How a text box takes text in: "\r\n" and a lone "\r" are each one "\n".
QString normalised(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

// What replace() does, on a plain string.
QString modelReplace(QString &model, qsizetype position, qsizetype length, const QString &text) {
    position = std::clamp<qsizetype>(position, 0, model.size());
    length = std::clamp<qsizetype>(length, 0, model.size() - position);
    const QString removed = model.mid(position, length);
    model.replace(position, length, text);
    return removed;
}

// The first way the store differs from model, or an empty string. everyPosition also checks at() and
// lineAt() at each position (quadratic work for the caller's loop: small texts only).
QString difference(const TextStore &store, const QString &model, bool everyPosition = true) {
    if (store.size() != model.size())
        return QStringLiteral("size %1, expected %2").arg(store.size()).arg(model.size());
    const QString text = store.toPlain();
    if (text != model) {
        qsizetype i = 0;
        while (text[i] == model[i])
            ++i;
        return QStringLiteral("text differs from position %1: \"%2\", expected \"%3\"")
            .arg(i)
            .arg(text.mid(i, 20), model.mid(i, 20));
    }
    QList<qsizetype> starts{0};
    for (qsizetype i = 0; i < model.size(); ++i) {
        if (model[i] == u'\n')
            starts.append(i + 1);
    }
    if (store.lineCount() != starts.size())
        return QStringLiteral("%1 lines, expected %2").arg(store.lineCount()).arg(starts.size());
    for (qsizetype line = 0; line < starts.size(); ++line) {
        const qsizetype end = line + 1 < starts.size() ? starts[line + 1] - 1 : model.size();
        if (store.lineStart(line) != starts[line] || store.lineLength(line) != end - starts[line]) {
            return QStringLiteral("line %1 at %2 of length %3, expected at %4 of length %5")
                .arg(line)
                .arg(store.lineStart(line))
                .arg(store.lineLength(line))
                .arg(starts[line])
                .arg(end - starts[line]);
        }
    }
    if (everyPosition) {
        qsizetype line = 0;
        for (qsizetype position = 0; position <= model.size(); ++position) {
            if (store.lineAt(position) != line)
                return QStringLiteral("position %1 in line %2, expected %3")
                    .arg(position)
                    .arg(store.lineAt(position))
                    .arg(line);
            if (position < model.size()) {
                if (store.at(position) != model[position])
                    return QStringLiteral("character at %1 differs").arg(position);
                if (model[position] == u'\n')
                    ++line;
            }
        }
        if (store.at(model.size()) != QChar() || store.at(-1) != QChar())
            return QStringLiteral("a character outside the text");
        // Each chunk's text on its own, as a string of its own (with the '\0' after it Qt promises).
        qsizetype start = 0;
        for (const qsizetype size : store.chunkSizes()) {
            const QString chunk = store.mid(start, size);
            if (chunk != model.mid(start, size) || chunk.utf16()[size] != 0)
                return QStringLiteral("the chunk at %1 comes out wrong").arg(start);
            start += size;
        }
    }
    return {};
}

// Chunks hold between half and twice the chunk size, unless there is only one, and none is empty.
QString chunkSizeProblem(const TextStore &store, qsizetype chunkSize) {
    const std::vector<qsizetype> sizes = store.chunkSizes();
    qsizetype total = 0;
    for (const qsizetype size : sizes) {
        total += size;
        if (size == 0 || size > 2 * chunkSize || (sizes.size() > 1 && size < chunkSize / 2))
            return QStringLiteral("a chunk of %1 among %2").arg(size).arg(sizes.size());
    }
    return total == store.size() ? QString() : QStringLiteral("chunks of %1 characters in all").arg(total);
}

// Lines of random length (the lengths from seed), their letters running a .. z by position.
QString sampleText(qsizetype size, int seed) {
    QString text;
    text.reserve(size);
    QRandomGenerator random(seed);
    while (text.size() < size) {
        const int length = random.bounded(80);
        for (int i = 0; i < length && text.size() < size; ++i)
            text.append(QChar(char16_t(u'a' + text.size() % 26)));
        if (text.size() < size)
            text.append(u'\n');
    }
    return text;
}

QString randomText(QRandomGenerator &random, int maxLength) {
    static const QString alphabet = QStringLiteral("abcdefgh  \n\n\r\x00e9\U0001F600");
    QString text;
    const int length = random.bounded(maxLength + 1);
    for (int i = 0; i < length; ++i)
        text.append(alphabet[random.bounded(alphabet.size())]);
    return text;
}

} // namespace

Q_DECLARE_METATYPE(Edits)

class TestTextStore : public QObject {
    Q_OBJECT

private slots:
    void edits_data();
    void edits();
    void randomEdits_data();
    void randomEdits();
    void lineText_data();
    void lineText();
    void snapshotKeepsItsText();
    void sameTextWhateverTheChunks_data();
    void sameTextWhateverTheChunks();
    void snapshotReadOnAnotherThread();
    void storeOwnsItsText();
    void pieceRoundTrip_data();
    void pieceRoundTrip();
    void pieceFromString_data();
    void pieceFromString();
    void toCrLf_data();
    void toCrLf();
};

void TestTextStore::edits_data() {
    QTest::addColumn<QString>("initial");
    QTest::addColumn<int>("chunkSize");
    QTest::addColumn<Edits>("edits");
    QTest::addColumn<QString>("expected");

    const int big = int(TextStore::DefaultChunkSize);
    const QString lines = QStringLiteral("abcdefghij\nklmnopqrstuvwxyz\n0123456789\n\nend");

    QTest::newRow("empty") << QString() << big << Edits{} << QString();
    QTest::newRow("insert into empty") << QString() << big << Edits{{0, 0, "abc\ndef"}} << "abc\ndef";
    QTest::newRow("insert into empty, small chunks")
        << QString() << 4 << Edits{{0, 0, "abc\ndef\n\nghijklmnopqrstu"}} << "abc\ndef\n\nghijklmnopqrstu";
    QTest::newRow("insert at start, middle, end")
        << "hello\nworld" << big << Edits{{0, 0, "A"}, {7, 0, "B\n"}, {14, 0, "\nEnd"}}
        << "Ahello\nB\nworld\nEnd";
    QTest::newRow("remove at start, middle, end")
        << "one\ntwo\nthree" << big << Edits{{0, 2, ""}, {3, 2, ""}, {6, 3, ""}} << "e\nt\nth";
    QTest::newRow("remove across line breaks joins lines")
        << "one\ntwo\nthree\nfour" << big << Edits{{2, 8, ""}, {0, 0, "\n"}} << "\nonree\nfour";
    QTest::newRow("remove a line break alone")
        << "a\nb\n\nc" << big << Edits{{1, 1, ""}, {2, 1, ""}} << "ab\nc";
    QTest::newRow("replace inside a line") << "abcdef" << big << Edits{{2, 3, "XYZW"}} << "abXYZWf";
    QTest::newRow("replace a line break by one") << "ab\ncd" << big << Edits{{2, 1, "\n"}} << "ab\ncd";
    QTest::newRow("remove across chunks") << lines << 4 << Edits{{3, 20, ""}, {1, 15, ""}} << "a89\n\nend";
    QTest::newRow("insert across chunks")
        << lines << 4 << Edits{{5, 0, "0123456789\n0123456789\n0123456789"}, {40, 0, "x"}}
        << "abcde0123456789\n0123456789\n0123456789fghxij\nklmnopqrstuvwxyz\n0123456789\n\nend";
    QTest::newRow("replace across chunks")
        << lines << 4 << Edits{{2, 30, "<\n>"}, {0, 3, "||||||||||||||||||"}}
        << "||||||||||||||||||\n>456789\n\nend";
    QTest::newRow("remove whole chunks at start and end")
        << lines << 4 << Edits{{0, 8, ""}, {20, 100, ""}} << "ij\nklmnopqrstuvwxyz\n";
    QTest::newRow("remove all, then type")
        << lines << 4 << Edits{{0, 1000, ""}, {0, 0, "n"}, {1, 0, "e"}, {2, 0, "w"}} << "new";
    Edits growAndShrink;
    for (int i = 0; i < 20; ++i)
        growAndShrink.append({3, 0, i % 5 == 4 ? "\n" : "x"});
    for (int i = 0; i < 20; ++i)
        growAndShrink.append({3, 1, ""});
    QTest::newRow("grow one chunk past splitting, then shrink it") << lines << 4 << growAndShrink << lines;
    Edits backspaces;
    for (int i = 0; i < 30; ++i)
        backspaces.append({qsizetype(lines.size() - 1 - i), 1, ""});
    QTest::newRow("backspace from the end over chunks")
        << lines << 4 << backspaces << lines.left(lines.size() - 30);
    Edits slivers;
    QString slivered = sampleText(200, 10);
    for (int i = 0; i < 6; ++i) {
        slivers.append({i, 30, ""});
        slivered.remove(i, 30);
    }
    QTest::newRow("removes leaving slivers of chunks") << sampleText(200, 10) << 16 << slivers << slivered;
    // Chunks of 16, 16 and 20; the middle one grows to 30, then only 4 characters stay of the last one.
    QString joined = sampleText(52, 12);
    joined.insert(20, QStringLiteral("abcdefghijklmn")).remove(48, 16);
    QTest::newRow("end of the text joins a big chunk")
        << sampleText(52, 12) << 16 << Edits{{20, 0, "abcdefghijklmn"}, {48, 16, ""}} << joined;

    QTest::newRow("crlf and cr in inserted text")
        << "ab" << big << Edits{{1, 0, "x\r\ny\rz\r"}, {0, 0, "\r\r\n\n"}} << "\n\n\nax\ny\nz\nb";
    QTest::newRow("crlf and cr in inserted text, small chunks")
        << lines << 4 << Edits{{11, 2, "\r\n\r\n12345\r6789\r"}}
        << normalised(lines.left(11) + "\n\n12345\n6789\n" + lines.mid(13));
    QTest::newRow("cr at the end of an insert before a stored break")
        << "ab\ncd" << big << Edits{{2, 0, "x\r"}} << "abx\n\ncd";
    QTest::newRow("insert after a stored cr-lf's break")
        << "ab\r\ncd" << big << Edits{{3, 0, "\n"}} << "ab\n\ncd";
    QTest::newRow("crlf and cr in the initial text")
        << "a\r\nb\rc\n\rd\r\r\ne\r" << 4 << Edits{} << "a\nb\nc\n\nd\n\ne\n";
    QTest::newRow("crlf across every chunk cut") << "a\r\nb\r\nc\r\n\r\nde\r\n"
                                                 << 2 << Edits{} << "a\nb\nc\n\nde\n";
    QTest::newRow("only crlf") << QString("\r\n").repeated(60) << 16 << Edits{} << QString("\n").repeated(60);
    QTest::newRow("crlf across the default chunk cut")
        << QString(big - 1, u'a') + "\r\n" + QString(big, u'b') + "\r\r\n"
        << big << Edits{} << QString(big - 1, u'a') + "\n" + QString(big, u'b') + "\n\n";

    QTest::newRow("positions and lengths clamped")
        << "abcdef" << big << Edits{{-5, 2, "X"}, {100, 5, "Y"}, {2, -1, "Z"}, {5, 100, ""}} << "XcZde";
    QTest::newRow("nothing for nothing") << "abc" << 4 << Edits{{1, 0, ""}, {3, 0, ""}} << "abc";
}

void TestTextStore::edits() {
    QFETCH(QString, initial);
    QFETCH(int, chunkSize);
    QFETCH(Edits, edits);
    QFETCH(QString, expected);

    // A text of the store's own: chunks of it, once no other holds the buffer, change in place.
    TextStore store(QString(initial.constData(), initial.size()), chunkSize);
    QString model = normalised(initial);
    QString problem = difference(store, model);
    if (problem.isEmpty())
        problem = chunkSizeProblem(store, chunkSize);
    QVERIFY2(problem.isEmpty(), qPrintable("initial text: " + problem));
    for (qsizetype step = 0; step < edits.size(); ++step) {
        const Edit &edit = edits[step];
        const TextPiece removed = store.replace(edit.position, edit.length, edit.text);
        const QString modelRemoved = modelReplace(model, edit.position, edit.length, normalised(edit.text));
        QCOMPARE(removed.toString(), modelRemoved);
        QCOMPARE(removed.size(), modelRemoved.size());
        problem = difference(store, model);
        if (problem.isEmpty())
            problem = chunkSizeProblem(store, chunkSize);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("after edit %1: ").arg(step) + problem));
    }
    QCOMPARE(model, expected);
}

void TestTextStore::randomEdits_data() {
    QTest::addColumn<int>("chunkSize");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("textSize");

    QTest::addColumn<bool>(
        "textHeld"); // the store's text still held elsewhere, so its chunks never change in place

    QTest::newRow("chunks of 16") << 16 << 3000 << 3000 << false;
    QTest::newRow("chunks of 16, text held") << 16 << 3000 << 3000 << true;
    QTest::newRow("chunks of 3") << 3 << 1500 << 600 << false;
    QTest::newRow("chunks of 256") << 256 << 1500 << 20000 << false;
}

// Random inserts, removes and pieces moved around, each checked against a plain string; then every edit
// undone from the pieces they returned, which still hold the chunks of long ago.
void TestTextStore::randomEdits() {
    QFETCH(int, chunkSize);
    QFETCH(int, steps);
    QFETCH(int, textSize);
    QFETCH(bool, textHeld);

    QRandomGenerator random(20240611);
    const QString initial = sampleText(textSize, 7);
    TextStore store(textHeld ? initial : QString(initial.constData(), initial.size()), chunkSize);
    QString model = initial;

    struct Undo {
        qsizetype position;
        qsizetype length;
        TextPiece removed;
    };
    std::vector<Undo> undos;
    std::vector<std::pair<TextSnapshot, QString>> snapshots;

    for (int step = 0; step < steps; ++step) {
        const qsizetype size = model.size();
        const qsizetype position = random.bounded(size + 3) - 1; // now and then out of range
        const bool grow = size < textSize / 2 || (size < 2 * textSize && random.bounded(2) == 0);
        const qsizetype length = grow ? random.bounded(4) : random.bounded(qMin<qsizetype>(size + 1, 200));
        const qsizetype clampedPosition = std::clamp<qsizetype>(position, 0, size);
        const qsizetype clampedLength = std::min(length, size - clampedPosition);
        TextPiece removed;
        qsizetype inserted = 0;
        switch (random.bounded(4)) {
        case 0: { // typing, pasting, deleting
            const QString text = randomText(random, grow ? 60 : 4);
            removed = store.replace(position, length, text);
            const QString plain = normalised(text);
            QCOMPARE(removed.toString(), modelReplace(model, position, length, plain));
            inserted = plain.size();
            break;
        }
        case 1: { // copy and paste: a piece of the store going back into it
            const qsizetype from = random.bounded(size + 1);
            const qsizetype count = random.bounded(qMin<qsizetype>(size - from, grow ? 400 : 40) + 1);
            const TextPiece copy = store.piece(from, count);
            QCOMPARE(copy.size(), count);
            const QString text = model.mid(from, count);
            removed = store.replace(position, length, copy);
            QCOMPARE(removed.toString(), modelReplace(model, position, length, text));
            inserted = count;
            break;
        }
        case 2: { // a piece made from a string
            const QString text = randomText(random, grow ? 200 : 10);
            const TextPiece piece(text);
            removed = store.replace(position, length, piece);
            QCOMPARE(removed.toString(), modelReplace(model, position, length, normalised(text)));
            inserted = piece.size();
            break;
        }
        default: // undo of the last edit, as an editor does it
            if (!undos.empty()) {
                const Undo undo = undos.back();
                undos.pop_back();
                store.replace(undo.position, undo.length, undo.removed);
                modelReplace(model, undo.position, undo.length, undo.removed.toString());
                QString problem = difference(store, model, false);
                QVERIFY2(problem.isEmpty(),
                         qPrintable(QStringLiteral("undo at step %1: ").arg(step) + problem));
                continue;
            }
        }
        undos.push_back({clampedPosition, inserted, removed});
        QCOMPARE(removed.size(), clampedLength);

        QString problem = difference(store, model, step % 100 == 0);
        if (problem.isEmpty())
            problem = chunkSizeProblem(store, chunkSize);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("step %1: ").arg(step) + problem));

        const qsizetype from = random.bounded(model.size() + 1);
        const qsizetype count = random.bounded(300);
        QCOMPARE(store.mid(from, count), model.mid(from, count));
        const qsizetype line = random.bounded(store.lineCount());
        const QString lineText = model.mid(store.lineStart(line), store.lineLength(line));
        const qsizetype column = random.bounded(lineText.size() + 1);
        QCOMPARE(store.lineText(line, column, count), lineText.mid(column, count));
        if (step % 250 == 0)
            snapshots.emplace_back(store.snapshot(), model);
    }

    for (const auto &[snapshot, text] : snapshots) {
        QCOMPARE(snapshot.toPlain(), text);
        QCOMPARE(snapshot.lineCount(), text.count(u'\n') + 1);
    }
    while (!undos.empty()) {
        const Undo &undo = undos.back();
        store.replace(undo.position, undo.length, undo.removed);
        modelReplace(model, undo.position, undo.length, undo.removed.toString());
        undos.pop_back();
    }
    QCOMPARE(model, initial); // the model's own undo works, so the store's is checked against the same
    const QString problem = difference(store, initial);
    QVERIFY2(problem.isEmpty(), qPrintable("after undoing all: " + problem));
}

void TestTextStore::lineText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("chunkSize");
    QTest::addColumn<qsizetype>("line");
    QTest::addColumn<qsizetype>("from");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<QString>("expected");

    const QString text = QStringLiteral("first\n\n0123456789012345678901234567890123456789\nlast");
    const int big = int(TextStore::DefaultChunkSize);
    QTest::newRow("whole line") << text << big << qsizetype(0) << qsizetype(0) << qsizetype(-1) << "first";
    QTest::newRow("empty line") << text << big << qsizetype(1) << qsizetype(0) << qsizetype(-1) << "";
    QTest::newRow("part of a line") << text << big << qsizetype(0) << qsizetype(1) << qsizetype(3) << "irs";
    QTest::newRow("never its break") << text << big << qsizetype(0) << qsizetype(3) << qsizetype(10) << "st";
    QTest::newRow("from past the end") << text << big << qsizetype(0) << qsizetype(9) << qsizetype(2) << "";
    QTest::newRow("negative from") << text << big << qsizetype(3) << qsizetype(-4) << qsizetype(2) << "la";
    QTest::newRow("last line") << text << big << qsizetype(3) << qsizetype(2) << qsizetype(-1) << "st";
    QTest::newRow("line past the end is the last")
        << text << big << qsizetype(9) << qsizetype(0) << qsizetype(-1) << "last";
    QTest::newRow("across chunks") << text << 4 << qsizetype(2) << qsizetype(7) << qsizetype(25)
                                   << "7890123456789012345678901";
    QTest::newRow("within one chunk") << text << 4 << qsizetype(2) << qsizetype(9) << qsizetype(2) << "90";
    QTest::newRow("end of a long line across chunks")
        << text << 4 << qsizetype(2) << qsizetype(35) << qsizetype(-1) << "56789";
    QTest::newRow("empty text") << QString() << big << qsizetype(0) << qsizetype(0) << qsizetype(-1) << "";
}

void TestTextStore::lineText() {
    QFETCH(QString, text);
    QFETCH(int, chunkSize);
    QFETCH(qsizetype, line);
    QFETCH(qsizetype, from);
    QFETCH(qsizetype, length);
    QFETCH(QString, expected);

    const TextStore store(text, chunkSize);
    QCOMPARE(store.lineText(line, from, length), expected);
}

// A snapshot keeps the text it was taken of through edits in place, across chunks, and of everything.
void TestTextStore::snapshotKeepsItsText() {
    for (const int chunkSize : {4, 64, int(TextStore::DefaultChunkSize)}) {
        const QString initial = sampleText(1000, 1);
        TextStore store(initial, chunkSize);
        const TextSnapshot before = store.snapshot();
        store.replace(10, 1, QStringLiteral("x\ny"));
        const TextSnapshot afterOne = store.snapshot();
        const QString afterOneText = store.toPlain();
        store.replace(500, 0, QStringLiteral("\n"));
        store.replace(100, 700, QStringLiteral("z"));
        store.replace(0, store.size(), QString());
        store.replace(0, 0, QStringLiteral("new"));

        QCOMPARE(before.toPlain(), initial);
        QCOMPARE(before.size(), initial.size());
        QCOMPARE(before.lineCount(), initial.count(u'\n') + 1);
        QCOMPARE(before.toCrLf(), QString(initial).replace(u'\n', QLatin1String("\r\n")));
        QCOMPARE(afterOne.toPlain(), afterOneText);
        QCOMPARE(afterOne.lineCount(), afterOneText.count(u'\n') + 1);
        QCOMPARE(store.snapshot().toPlain(), QStringLiteral("new"));
        QCOMPARE(store.snapshot().lineCount(), 1);

        // A store made again from a snapshot has the text and the line index of the snapshot's time.
        TextStore rebuilt(before);
        const TextStore reference(initial, chunkSize);
        QCOMPARE(rebuilt.toPlain(), initial);
        QCOMPARE(rebuilt.lineCount(), reference.lineCount());
        for (qsizetype line = 0; line < reference.lineCount(); ++line)
            QCOMPARE(rebuilt.lineStart(line), reference.lineStart(line));
        QCOMPARE(rebuilt.lineAt(initial.size() / 2), reference.lineAt(initial.size() / 2));
        rebuilt.replace(3, 2, QStringLiteral("\n"));
        QCOMPARE(rebuilt.toPlain(), QString(initial).replace(3, 2, QStringLiteral("\n")));
    }
    const TextSnapshot none;
    QCOMPARE(none.toPlain(), QString());
    QCOMPARE(none.toCrLf(), QString());
    QCOMPARE(none.lineCount(), 1);
}

void TestTextStore::sameTextWhateverTheChunks_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<bool>("same");
    QTest::newRow("untouched") << 0 << 0 << "" << true;
    QTest::newRow("a character typed") << 300 << 0 << "x" << false;
    QTest::newRow("a character changed") << 300 << 1 << "\x01" << false;
    QTest::newRow("the same character again") << 300 << 1 << "=" << true;
    QTest::newRow("a stretch across chunks put back") << 10 << 900 << "=" << true;
    QTest::newRow("the last character dropped") << 999 << 1 << "" << false;
}

// Edits that end where they began give the same text, though the chunks are cut elsewhere.
void TestTextStore::sameTextWhateverTheChunks() {
    QFETCH(int, position);
    QFETCH(int, removed);
    QFETCH(QString, inserted);
    QFETCH(bool, same);
    for (const int chunkSize : {4, 64}) {
        const QString initial = sampleText(1000, 3);
        TextStore store(initial, chunkSize);
        const TextSnapshot before = store.snapshot();
        QString text = inserted;
        if (text == QStringLiteral("="))
            text = initial.mid(position, removed); // the text that was there
        store.replace(position, removed, text);
        QCOMPARE(store.snapshot().sameText(before), same);
        QCOMPARE(before.sameText(store.snapshot()), same);
    }
}

// What a worker does: read a snapshot while the store goes on changing (for the sanitizer builds).
void TestTextStore::snapshotReadOnAnotherThread() {
    const QString initial = sampleText(200000, 2);
    TextStore store(initial, 1024);
    std::atomic<bool> same{true};
    {
        const TextSnapshot snapshot = store.snapshot();
        std::thread reader([&same, snapshot, initial] {
            for (int i = 0; i < 20; ++i)
                same = same && snapshot.toPlain() == initial;
        });
        QRandomGenerator random(3);
        for (int i = 0; i < 2000; ++i) {
            const qsizetype position = random.bounded(store.size() + 1);
            store.replace(position, random.bounded(30), randomText(random, 40));
        }
        reader.join();
    }
    QVERIFY(same);
}

// The store shares the buffer of the text it's built from: changes to that string, or its end, or a raw
// buffer behind it, leave the store's text as it was.
void TestTextStore::storeOwnsItsText() {
    const QString initial = sampleText(1000, 11);
    QString text = initial;
    text.detach();
    const TextStore held(text, 16);
    const TextPiece piece(text);
    text[10] = u'#';
    text.append(QStringLiteral("more"));
    QVERIFY(held.toPlain() == initial);
    QVERIFY(piece.toString() == initial);

    QString crLf = QString(initial).replace(u'\n', QLatin1String("\r\n"));
    crLf.detach();
    const TextStore moved(std::move(crLf), 16);
    QVERIFY(moved.toPlain() == initial);

    std::vector<char16_t> buffer(initial.utf16(), initial.utf16() + initial.size());
    TextStore raw(
        QString::fromRawData(reinterpret_cast<const QChar *>(buffer.data()), qsizetype(buffer.size())), 16);
    const TextPiece rawPiece(QString::fromRawData(reinterpret_cast<const QChar *>(buffer.data()), 40));
    raw.replace(raw.size(), 0, rawPiece);
    std::fill(buffer.begin(), buffer.end(), u'?');
    QVERIFY(raw.toPlain() == initial + initial.left(40));

    TextStore temporary(sampleText(1000, 11) + QStringLiteral("\r\n"), 16);
    QVERIFY(temporary.toPlain() == initial + QStringLiteral("\n"));
}

void TestTextStore::pieceRoundTrip_data() {
    QTest::addColumn<qsizetype>("position");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<qsizetype>("pasteAt"); // where a copy goes afterwards

    const qsizetype size = 3000000;
    const qsizetype chunk = TextStore::DefaultChunkSize;
    QTest::newRow("everything") << qsizetype(0) << size << qsizetype(0);
    QTest::newRow("middle, across many chunks") << qsizetype(12345) << size - 66666 << qsizetype(777);
    QTest::newRow("from a chunk's start to one's end") << chunk << 10 * chunk << size;
    QTest::newRow("a sliver of two chunks") << chunk - 3 << qsizetype(7) << qsizetype(5 * chunk + 1);
    QTest::newRow("head") << qsizetype(0) << size / 3 << size / 2;
    QTest::newRow("tail") << size / 3 << size << qsizetype(1);
}

// Cutting text out and putting it back gives the very text and lines there were; the piece goes on
// holding its text while the store changes.
void TestTextStore::pieceRoundTrip() {
    QFETCH(qsizetype, position);
    QFETCH(qsizetype, length);
    QFETCH(qsizetype, pasteAt);

    const QString initial = sampleText(3000000, 4);
    TextStore store(initial);
    QString model = initial;
    const TextPiece removed = store.replace(position, length, QStringView());
    const QString removedText = modelReplace(model, position, length, QString());
    QCOMPARE(removed.size(), removedText.size());
    QVERIFY(removed.toString() == removedText);
    QString problem = difference(store, model, false);
    QVERIFY2(problem.isEmpty(), qPrintable("after the cut: " + problem));

    store.replace(position, 0, removed);
    problem = difference(store, initial, false);
    QVERIFY2(problem.isEmpty(), qPrintable("put back: " + problem));
    QVERIFY(chunkSizeProblem(store, TextStore::DefaultChunkSize).isEmpty());

    // A copy of the piece goes in once more, then a few edits go through the shared chunks.
    model = initial;
    store.replace(pasteAt, 0, removed);
    modelReplace(model, pasteAt, 0, removedText);
    for (const qsizetype at : {qsizetype(0), pasteAt, pasteAt + removedText.size() / 2, model.size()}) {
        store.replace(at, 1, QStringLiteral("\nX"));
        modelReplace(model, at, 1, QStringLiteral("\nX"));
    }
    problem = difference(store, model, false);
    QVERIFY2(problem.isEmpty(), qPrintable("pasted and edited: " + problem));
    QVERIFY(removed.toString() == removedText);
}

void TestTextStore::pieceFromString_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("position");

    QTest::newRow("empty") << QString() << qsizetype(3);
    QTest::newRow("one line") << "xyz" << qsizetype(0);
    QTest::newRow("all kinds of breaks") << "a\r\nb\rc\n\r\n\r" << qsizetype(5);
    const qsizetype big = 3 * TextStore::DefaultChunkSize + 5;
    QTest::newRow("over many chunks, with cr-lf")
        << sampleText(big, 5).replace(u'\n', QLatin1String("\r\n")) << qsizetype(50);
    QTest::newRow("over many chunks, cr-lf at each cut") << QString("\r\n").repeated(big) << qsizetype(1);
}

void TestTextStore::pieceFromString() {
    QFETCH(QString, text);
    QFETCH(qsizetype, position);

    const QString plain = normalised(text);
    const TextPiece piece(text);
    QCOMPARE(piece.size(), plain.size());
    QCOMPARE(piece.isEmpty(), plain.isEmpty());
    QVERIFY(piece.toString() == plain);

    const QString initial = sampleText(100, 6);
    QString model = initial;
    TextStore store(initial);
    store.replace(position, 2, piece);
    modelReplace(model, position, 2, plain);
    QString problem = difference(store, model, false);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestTextStore::toCrLf_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("chunkSize");

    const int big = int(TextStore::DefaultChunkSize);
    QTest::newRow("empty") << QString() << big;
    QTest::newRow("no break") << "abc" << big;
    QTest::newRow("only breaks") << "\n\n\n" << big;
    QTest::newRow("breaks at both ends") << "\nab\ncd\n" << big;
    QTest::newRow("breaks at chunk edges") << "a\nb\nc\nd\ne\n\n" << 2;
    QTest::newRow("lines over many chunks") << sampleText(5000, 8) << 16;
    QTest::newRow("taken in as cr-lf") << "a\r\nb\r\n\r\nc" << 4;
    QTest::newRow("many chunks of the default size") << sampleText(10 * big, 9) << big;
}

void TestTextStore::toCrLf() {
    QFETCH(QString, text);
    QFETCH(int, chunkSize);

    const QString plain = normalised(text);
    TextStore store(text, chunkSize);
    const TextSnapshot snapshot = store.snapshot();
    QVERIFY(snapshot.toCrLf() == QString(plain).replace(u'\n', QLatin1String("\r\n")));
    QVERIFY(snapshot.toPlain() == plain);
    QVERIFY(store.toPlain() == plain);
    QCOMPARE(snapshot.size(), plain.size());
    QCOMPARE(snapshot.lineCount(), plain.count(u'\n') + 1);
}

QTEST_GUILESS_MAIN(TestTextStore)
#include "tst_textstore.moc"
