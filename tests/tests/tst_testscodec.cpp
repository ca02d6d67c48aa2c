#include "core/tests/TestsCodec.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using rw::DamagedTestsFile;
using rw::Expectation;
using rw::PatternTest;
using rw::TestedPattern;
using rw::TestsFile;

class tst_TestsCodec final : public QObject {
    Q_OBJECT

private slots:
    void readsTheFileFormat();
    void missingFieldsTakeTheirDefaults();
    void roundTripKeepsEveryUnit();
    void unknownFieldsKeptAtEveryLevel();
    void aKeptFieldNeverRepeatsAKnownKey();
    void damaged_data();
    void damaged();
    void damagedFilesPutAsideInTurn();
    void damagedLeftInPlaceWhenAsked();
    void hundredMegabytesOfGarbage();
    void unreadableIsNotDamaged();
    void missingAndEmpty();
    void testsPathFor_data();
    void testsPathFor();
};

namespace {

QByteArray readBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

bool writeBytes(const QString &path, QByteArrayView bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes.data(), bytes.size()) == bytes.size();
}

QStringList entriesOf(const QString &dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// The format's own example: every expectation once.
const QByteArray example = R"({"version": 1, "patterns": [
  {"name": "手机号", "pattern": "1[3-9]\\d{9}",
   "options": {"caseSensitive": false, "multiline": false, "global": true, "perLine": false},
   "tests": [
     {"sample": "13812345678", "expect": "whole"},
     {"sample": "电话 13812345678。", "expect": "match"},
     {"sample": "12345", "expect": "no-match"},
     {"sample": "a1 b2", "expect": "matches", "values": ["1", "2"]},
     {"sample": "2026-12", "expect": "group", "group": 1, "value": "2026"},
     {"sample": "a-b", "expect": "replace", "replacement": "$1", "value": "…"}]}]}
)";

PatternTest makeTest(const QString &sample, Expectation expect) {
    PatternTest t;
    t.sample = sample;
    t.expect = expect;
    return t;
}

// A file whose strings hold every kind of unit a JSON writer can get wrong, and unknown fields everywhere.
TestsFile awkwardFile() {
    const QString odd = u"NUL\0 tab\t CR\r LF\n CRLF\r\n U+2028\u2028 U+2029\u2029 \x01\x1f\x7f"
                        u" \"quoted\" back\\slash / 中文 😀 high\xD800 low\xDC00 reversed\xDC00\xD800 end"_s;
    TestsFile file;
    file.unknown.insert(u"generator"_s, u"工作台 1.6"_s);
    file.unknown.insert(u"stats"_s,
                        QJsonObject{{u"runs"_s, 3}, {u"ratio"_s, 0.25}, {u"none"_s, QJsonValue::Null}});

    TestedPattern named;
    named.name = u"手机号 \"A\""_s;
    named.pattern = uR"(1[3-9]\d{9})"_s;
    named.options = {false, true, false};
    named.options.perLine = true;
    named.unknown.insert(u"colour"_s, u"#ff0000"_s);
    named.unknown.insert(u"notes"_s,
                         QJsonArray{u"a"_s, 1, true, QJsonValue::Null, QJsonArray{}, QJsonObject{}});
    named.unknownOptions.insert(u"dotAll"_s, true);
    named.unknownOptions.insert(u"odd\0key"_s, odd);

    PatternTest match = makeTest(odd, Expectation::Match);
    match.unknown.insert(u"note"_s, odd);
    PatternTest values = makeTest(u""_s, Expectation::Matches);
    values.values = {odd, u""_s, u"\xD83D"_s};
    PatternTest group = makeTest(odd, Expectation::Group);
    group.group = 65535;
    group.value = odd;
    PatternTest replace = makeTest(odd, Expectation::Replace);
    replace.replacement = u"$1\\$&\n"_s;
    replace.value = odd;
    named.tests = {
        match,  makeTest(odd, Expectation::NoMatch), makeTest(odd, Expectation::Whole), values, group,
        replace};

    TestedPattern unnamed; // the expression box's own: no name, no tests, default options
    unnamed.pattern = odd;
    file.patterns = {named, unnamed};
    return file;
}

} // namespace

void tst_TestsCodec::readsTheFileFormat() {
    const rw::TestsParse parsed = rw::parseTests(example);
    QVERIFY2(parsed.ok(), qPrintable(parsed.error));
    QCOMPARE(parsed.file.patterns.size(), 1);
    const TestedPattern &entry = parsed.file.patterns.first();
    QCOMPARE(entry.name, u"手机号"_s);
    QCOMPARE(entry.pattern, uR"(1[3-9]\d{9})"_s);
    QCOMPARE(entry.options, (rw::RegexOptions{true, false, true}));
    QVERIFY(entry.unknown.isEmpty() && entry.unknownOptions.isEmpty() && parsed.file.unknown.isEmpty());

    QList<PatternTest> expected{
        makeTest(u"13812345678"_s, Expectation::Whole), makeTest(u"电话 13812345678。"_s, Expectation::Match),
        makeTest(u"12345"_s, Expectation::NoMatch),     makeTest(u"a1 b2"_s, Expectation::Matches),
        makeTest(u"2026-12"_s, Expectation::Group),     makeTest(u"a-b"_s, Expectation::Replace)};
    expected[3].values = {u"1"_s, u"2"_s};
    expected[4].group = 1;
    expected[4].value = u"2026"_s;
    expected[5].replacement = u"$1"_s;
    expected[5].value = u"…"_s;
    QCOMPARE(entry.tests, expected);
}

void tst_TestsCodec::missingFieldsTakeTheirDefaults() {
    // Without options, an entry has the check boxes' first state: only global, case ignored.
    const rw::TestsParse parsed = rw::parseTests(R"({"patterns": [{"pattern": "a"},
        {"pattern": "b", "options": {"caseSensitive": true}}]})");
    QVERIFY2(parsed.ok(), qPrintable(parsed.error));
    QCOMPARE(parsed.file.patterns.size(), 2);
    QCOMPARE(parsed.file.patterns[0].name, QString());
    QCOMPARE(parsed.file.patterns[0].options, (rw::RegexOptions{true, false, true}));
    QVERIFY(!parsed.file.patterns[0].options.perLine);
    QVERIFY(parsed.file.patterns[0].tests.isEmpty());
    QCOMPARE(parsed.file.patterns[1].options, (rw::RegexOptions{false, false, true}));
    QCOMPARE(TestedPattern().options, (rw::RegexOptions{true, false, true}));
}

void tst_TestsCodec::roundTripKeepsEveryUnit() {
    const TestsFile file = awkwardFile();
    const QByteArray bytes = rw::serializeTests(file);
    const rw::TestsParse parsed = rw::parseTests(bytes);
    QVERIFY2(parsed.ok(), qPrintable(parsed.error));
    QCOMPARE(parsed.file, file);
    // Written again, the same bytes: nothing drifts from one save to the next.
    QCOMPARE(rw::serializeTests(parsed.file), bytes);

    // Valid UTF-8 throughout (unpaired surrogates and NUL as escapes), and each entry's tests a line apiece.
    QCOMPARE(QString::fromUtf8(bytes).toUtf8(), bytes);
    QVERIFY(!bytes.contains('\0'));
    for (const char *escape : {"\\u0000", "\\ud800", "\\udc00", "\\u2028", "\\u2029", "\\u0001", "\\r\\n"})
        QVERIFY2(bytes.contains(escape), escape);
    QVERIFY(bytes.contains("😀"));
    QVERIFY(!bytes.contains('\r'));
    const QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(std::count_if(lines.begin(), lines.end(),
                           [](const QByteArray &line) { return line.count("\"sample\"") == 1; }),
             6);
    // Any other JSON reader sees the same strings.
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    QCOMPARE(document[u"patterns"_s][0][u"tests"_s][3][u"values"_s][2].toString(), u"\xD83D"_s);
}

void tst_TestsCodec::unknownFieldsKeptAtEveryLevel() {
    // Fields of a later version: at the top, in an entry, in its options and in a test, of every JSON type.
    const QByteArray later = R"({"version": 1, "savedBy": {"app": "x", "build": [1, 2.5, null]},
        "patterns": [{"name": "n", "pattern": "p", "tags": ["a", "b"], "enabled": false,
          "options": {"global": false, "unicode": true, "flags": "su"},
          "tests": [{"sample": "s", "expect": "match", "weight": 3, "why": null, "values": ["kept"]},
                    {"sample": "s", "expect": "group", "group": 2, "value": "v", "extra": {"deep": [{}]}}]}]})";
    const rw::TestsParse first = rw::parseTests(later);
    QVERIFY2(first.ok(), qPrintable(first.error));
    const rw::TestsParse again = rw::parseTests(rw::serializeTests(first.file));
    QVERIFY2(again.ok(), qPrintable(again.error));
    QCOMPARE(again.file, first.file);

    const auto object = [](const char *json) { return QJsonDocument::fromJson(json).object(); };
    QCOMPARE(again.file.unknown, object(R"({"savedBy": {"app": "x", "build": [1, 2.5, null]}})"));
    const TestedPattern &entry = again.file.patterns.first();
    QCOMPARE(entry.unknown, object(R"({"tags": ["a", "b"], "enabled": false})"));
    QCOMPARE(entry.unknownOptions, object(R"({"unicode": true, "flags": "su"})"));
    QVERIFY(!entry.options.global);
    // A field this version knows, on a test that does not use it, is kept as it came.
    QCOMPARE(entry.tests[0].unknown, object(R"({"weight": 3, "why": null, "values": ["kept"]})"));
    QVERIFY(entry.tests[0].values.isEmpty());
    QCOMPARE(entry.tests[1].unknown, object(R"({"extra": {"deep": [{}]}})"));
    QCOMPARE(entry.tests[1].group, 2);
}

void tst_TestsCodec::aKeptFieldNeverRepeatsAKnownKey() {
    // A "match" test read with a stray "value", then made a "replace" test: its value is the new one, once.
    rw::TestsParse parsed = rw::parseTests(
        R"({"patterns": [{"pattern": "a", "tests": [{"sample": "a", "expect": "match", "value": "old"}]}]})");
    QVERIFY2(parsed.ok(), qPrintable(parsed.error));
    PatternTest &test = parsed.file.patterns[0].tests[0];
    test.expect = Expectation::Replace;
    test.replacement = u"b"_s;
    test.value = u"new"_s;
    const QByteArray bytes = rw::serializeTests(parsed.file);
    QCOMPARE(bytes.count("\"value\""), 1);
    const rw::TestsParse back = rw::parseTests(bytes);
    QVERIFY2(back.ok(), qPrintable(back.error));
    QCOMPARE(back.file.patterns[0].tests[0].value, u"new"_s);

    // Nor at the other levels.
    TestsFile file;
    file.unknown.insert(u"patterns"_s, 7);
    file.unknown.insert(u"version"_s, 9);
    TestedPattern entry;
    entry.pattern = u"a"_s;
    entry.unknown.insert(u"tests"_s, u"x"_s);
    entry.unknownOptions.insert(u"global"_s, u"x"_s);
    file.patterns = {entry};
    const QByteArray written = rw::serializeTests(file);
    for (const char *key : {"\"patterns\"", "\"version\"", "\"tests\"", "\"global\""})
        QVERIFY2(written.count(key) == 1, key);
    QVERIFY(rw::parseTests(written).ok());
}

void tst_TestsCodec::damaged_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error"); // what parseTests says, from its start

    QTest::newRow("not JSON") << QByteArray("手机号----1[3-9]\\d{9}\r\n") << u"不是有效的 JSON (第 "_s;
    QTest::newRow("empty") << QByteArray() << u"不是有效的 JSON (第 1 个字节: "_s;
    QTest::newRow("truncated tail") << example.chopped(5) << u"不是有效的 JSON (第 "_s;
    QTest::newRow("truncated inside a string")
        << example.left(example.indexOf("13812345678") + 4) << u"不是有效的 JSON (第 "_s;
    QTest::newRow("invalid UTF-8") << QByteArray("{\"patterns\": [{\"pattern\": \"\xC3\x28\"}]}")
                                   << u"不是有效的 JSON (第 "_s;
    QTest::newRow("trailing garbage") << example + "x" << u"不是有效的 JSON (第 "_s;
    QTest::newRow("an array") << QByteArray("[]") << u"应为一个 JSON 对象"_s;
    QTest::newRow("a later version") << QByteArray(R"({"version": 2})")
                                     << u"version: 不支持的版本 (应为 1)"_s;
    QTest::newRow("version as text") << QByteArray(R"({"version": "1"})")
                                     << u"version: 不支持的版本 (应为 1)"_s;
    QTest::newRow("patterns an object") << QByteArray(R"({"patterns": {}})") << u"patterns: 应为数组"_s;
    QTest::newRow("entry a string") << QByteArray(R"({"patterns": ["a"]})") << u"patterns[0]: 应为对象"_s;
    QTest::newRow("no pattern") << QByteArray(R"({"patterns": [{"pattern": "a"}, {"name": "n"}]})")
                                << u"patterns[1]: 缺少 \"pattern\""_s;
    QTest::newRow("name a number") << QByteArray(R"({"patterns": [{"name": 1, "pattern": "a"}]})")
                                   << u"patterns[0].name: 应为字符串"_s;
    QTest::newRow("options an array") << QByteArray(R"({"patterns": [{"pattern": "a", "options": []}]})")
                                      << u"patterns[0].options: 应为对象"_s;
    QTest::newRow("option a string")
        << QByteArray(R"({"patterns": [{"pattern": "a", "options": {"caseSensitive": "yes"}}]})")
        << u"patterns[0].options.caseSensitive: 应为 true 或 false"_s;
    QTest::newRow("tests an object") << QByteArray(R"({"patterns": [{"pattern": "a", "tests": {}}]})")
                                     << u"patterns[0].tests: 应为数组"_s;
    const auto withTest = [](const char *test) {
        return QByteArray(
                   R"({"patterns": [{"pattern": "a", "tests": [{"sample": "a", "expect": "match"}, )") +
               test + "]}]}";
    };
    QTest::newRow("test a number") << withTest("1") << u"patterns[0].tests[1]: 应为对象"_s;
    QTest::newRow("no sample") << withTest(R"({"expect": "match"})")
                               << u"patterns[0].tests[1]: 缺少 \"sample\""_s;
    QTest::newRow("sample null") << withTest(R"({"sample": null, "expect": "match"})")
                                 << u"patterns[0].tests[1].sample: 应为字符串"_s;
    QTest::newRow("unknown expectation") << withTest(R"({"sample": "a", "expect": "maybe"})")
                                         << u"patterns[0].tests[1].expect: 未知的期望 \"maybe\""_s;
    QTest::newRow("values missing") << withTest(R"({"sample": "a", "expect": "matches"})")
                                    << u"patterns[0].tests[1].values: 应为字符串的数组"_s;
    QTest::newRow("values with a number")
        << withTest(R"({"sample": "a", "expect": "matches", "values": ["a", 1]})")
        << u"patterns[0].tests[1].values: 应为字符串的数组"_s;
    for (const char *n : {"-1", "1.5", "\"1\"", "65536", "null"}) {
        QTest::addRow("group %s", n) << withTest(
                                            (R"({"sample": "a", "expect": "group", "value": "a", "group": )" +
                                             QByteArray(n) + "}")
                                                .constData())
                                     << u"patterns[0].tests[1].group: 应为 0 到 65535 的整数"_s;
    }
    QTest::newRow("group without value") << withTest(R"({"sample": "a", "expect": "group", "group": 1})")
                                         << u"patterns[0].tests[1]: 缺少 \"value\""_s;
    QTest::newRow("replace without replacement")
        << withTest(R"({"sample": "a", "expect": "replace", "value": "b"})")
        << u"patterns[0].tests[1]: 缺少 \"replacement\""_s;
}

void tst_TestsCodec::damaged() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    const rw::TestsParse parsed = rw::parseTests(bytes);
    QVERIFY(!parsed.ok());
    QVERIFY2(parsed.error.startsWith(error), qPrintable(parsed.error));
    QVERIFY(parsed.file.patterns.isEmpty());

    // On disk: renamed aside with its bytes, the error naming the file, what is wrong and where it went;
    // the next save starts a new file and leaves the damaged one as it is.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"gz.tests.json"_s);
    QVERIFY(writeBytes(path, bytes));
    const rw::TestsFileRead read = rw::readTestsFile(path);
    QVERIFY(!read.missing);
    QVERIFY(!read.keepOff);
    QCOMPARE(read.error, u"gz.tests.json: %1; 已另存为 gz.tests.json.damaged"_s.arg(parsed.error));
    QCOMPARE(entriesOf(dir.path()), QStringList{u"gz.tests.json.damaged"_s});
    QCOMPARE(readBytes(path + u".damaged"_s), bytes);

    TestsFile fresh;
    fresh.patterns = {TestedPattern()};
    QString why;
    QVERIFY2(rw::writeTestsFile(path, fresh, &why), qPrintable(why));
    QCOMPARE(readBytes(path + u".damaged"_s), bytes);
    QCOMPARE(rw::readTestsFile(path).file, fresh);
}

void tst_TestsCodec::damagedFilesPutAsideInTurn() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"bds.tests.json"_s);
    const QList<QByteArray> damages{"first", "second", "third"};
    for (const QByteArray &bytes : damages) {
        QVERIFY(writeBytes(path, bytes));
        QVERIFY(!rw::readTestsFile(path).error.isEmpty());
    }
    QCOMPARE(entriesOf(dir.path()), (QStringList{u"bds.tests.json.damaged"_s, u"bds.tests.json.damaged-2"_s,
                                                 u"bds.tests.json.damaged-3"_s}));
    QCOMPARE(readBytes(path + u".damaged"_s), damages[0]);
    QCOMPARE(readBytes(path + u".damaged-2"_s), damages[1]);
    QCOMPARE(readBytes(path + u".damaged-3"_s), damages[2]);
}

void tst_TestsCodec::damagedLeftInPlaceWhenAsked() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"gz.tests.json"_s);
    QVERIFY(writeBytes(path, example.chopped(5)));
    const rw::TestsFileRead read = rw::readTestsFile(path, DamagedTestsFile::LeaveInPlace);
    QVERIFY(read.keepOff);
    QVERIFY2(read.error.startsWith(u"gz.tests.json: 不是有效的 JSON"_s), qPrintable(read.error));
    QVERIFY2(read.error.endsWith(u"该文件保持原样,不会被覆盖"_s), qPrintable(read.error));
    QCOMPARE(entriesOf(dir.path()), QStringList{u"gz.tests.json"_s});
    QCOMPARE(readBytes(path), example.chopped(5));
}

void tst_TestsCodec::hundredMegabytesOfGarbage() {
    // A tests file's beginning, then 100 MB of random bytes: refused as damaged, put aside unchanged.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"gz.tests.json"_s);
    QByteArray garbage(100 << 20, Qt::Uninitialized);
    QRandomGenerator random(20261211);
    random.fillRange(reinterpret_cast<quint32 *>(garbage.data()), garbage.size() / 4);
    const QByteArray start = R"({"version": 1, "patterns": [{"name": ")";
    garbage.replace(0, start.size(), start);
    // Not a byte that could continue the string as valid UTF-8 or end it.
    garbage[start.size()] = '\xFF';
    QVERIFY(writeBytes(path, garbage));

    const rw::TestsFileRead kept = rw::readTestsFile(path, DamagedTestsFile::LeaveInPlace);
    QVERIFY(kept.keepOff);
    QVERIFY2(kept.error.startsWith(u"gz.tests.json: 不是有效的 JSON (第 %1 个字节"_s.arg(start.size() + 1)),
             qPrintable(kept.error));
    QCOMPARE(QFileInfo(path).size(), garbage.size());

    const rw::TestsFileRead read = rw::readTestsFile(path);
    QVERIFY(read.file.patterns.isEmpty());
    QVERIFY2(read.error.endsWith(u"已另存为 gz.tests.json.damaged"_s), qPrintable(read.error));
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(readBytes(path + u".damaged"_s) == garbage);
}

void tst_TestsCodec::unreadableIsNotDamaged() {
    // Something that can't be read is not known to be damaged: it stays where it is, and is not written
    // over (the caller is told so by keepOff).
    QTemporaryDir dir;
    const QString path = dir.filePath(u"gz.tests.json"_s);
    QVERIFY(QDir(dir.path()).mkdir(u"gz.tests.json"_s));
    QVERIFY(writeBytes(path + u"/inner"_s, "kept"));
    const rw::TestsFileRead read = rw::readTestsFile(path);
    QVERIFY(read.keepOff);
    QVERIFY(!read.missing);
    QVERIFY2(read.error.contains(path) && read.error.contains(u"directory"_s), qPrintable(read.error));
    QCOMPARE(entriesOf(dir.path()), QStringList{u"gz.tests.json"_s});
    QVERIFY(!rw::writeTestsFile(path, rw::parseTests(example).file));
    QCOMPARE(readBytes(path + u"/inner"_s), QByteArray("kept"));
}

void tst_TestsCodec::missingAndEmpty() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"bds.tests.json"_s);
    const rw::TestsFileRead missing = rw::readTestsFile(path);
    QVERIFY(missing.missing);
    QVERIFY(missing.error.isEmpty() && !missing.keepOff);

    // Nothing to keep makes no file; once there is one, an empty list is written to it.
    QVERIFY(rw::writeTestsFile(path, TestsFile()));
    QVERIFY(!QFileInfo::exists(path));
    const TestsFile some = rw::parseTests(example).file;
    QVERIFY(rw::writeTestsFile(path, some));
    QCOMPARE(rw::readTestsFile(path).file, some);
    QVERIFY(rw::writeTestsFile(path, TestsFile()));
    const rw::TestsFileRead emptied = rw::readTestsFile(path);
    QVERIFY(emptied.error.isEmpty() && !emptied.missing);
    QVERIFY(emptied.file.patterns.isEmpty());
}

void tst_TestsCodec::testsPathFor_data() {
    QTest::addColumn<QString>("working");
    QTest::addColumn<QString>("tests");
    QTest::newRow("rules") << u"/data/gz.txt"_s << u"/data/gz.tests.json"_s;
    QTest::newRow("upper-case suffix") << u"C:/工作台/BDS.TXT"_s << u"C:/工作台/BDS.tests.json"_s;
    QTest::newRow("no .txt") << u"rules.lst"_s << u"rules.lst.tests.json"_s;
}

void tst_TestsCodec::testsPathFor() {
    QFETCH(QString, working);
    QFETCH(QString, tests);
    QCOMPARE(rw::testsPathFor(working), tests);
}

QTEST_GUILESS_MAIN(tst_TestsCodec)
#include "tst_testscodec.moc"
