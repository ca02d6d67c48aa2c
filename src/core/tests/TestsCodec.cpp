#include "TestsCodec.h"

#include "core/text/RegularFile.h"
#include "core/text/WorkingFile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <array>
#include <cmath>

namespace rw {

namespace {

constexpr int kVersion = 1;

struct ExpectName {
    Expectation expect;
    QLatin1StringView name;
};
constexpr std::array<ExpectName, 6> kExpectNames{{
    {Expectation::Match, QLatin1StringView("match")},
    {Expectation::NoMatch, QLatin1StringView("no-match")},
    {Expectation::Whole, QLatin1StringView("whole")},
    {Expectation::Matches, QLatin1StringView("matches")},
    {Expectation::Group, QLatin1StringView("group")},
    {Expectation::Replace, QLatin1StringView("replace")},
}};

QLatin1StringView expectName(Expectation expect) {
    for (const ExpectName &entry : kExpectNames)
        if (entry.expect == expect)
            return entry.name;
    return {};
}

struct OptionName {
    QLatin1StringView name;
    bool RegexOptions::*field;
    bool inverted; // caseSensitive is the opposite of ignoreCase
};
const std::array<OptionName, 4> kOptionNames{{
    {QLatin1StringView("caseSensitive"), &RegexOptions::ignoreCase, true},
    {QLatin1StringView("multiline"), &RegexOptions::multiline, false},
    {QLatin1StringView("global"), &RegexOptions::global, false},
    {QLatin1StringView("perLine"), &RegexOptions::perLine, false},
}};

// A read that stops at the first fault, saying where it is ("patterns[2].tests[0].expect").
class Reader {
public:
    QString error;

    bool fail(const QString &where, const QString &what) {
        if (error.isEmpty())
            error = where + QStringLiteral(": ") + what;
        return false;
    }

    // Takes key out of object into out when it is there; a value of another type is a fault.
    bool string(QJsonObject &object, const QString &where, QLatin1StringView key, QString &out,
                bool required = false) {
        const QJsonValue value = object.take(key);
        if (value.isUndefined())
            return !required || fail(where, QStringLiteral("缺少 \"%1\"").arg(key));
        if (!value.isString())
            return fail(where + QLatin1Char('.') + key, QStringLiteral("应为字符串"));
        out = value.toString();
        return true;
    }

    bool boolean(QJsonObject &object, const QString &where, QLatin1StringView key, bool &out) {
        const QJsonValue value = object.take(key);
        if (value.isUndefined())
            return true;
        if (!value.isBool())
            return fail(where + QLatin1Char('.') + key, QStringLiteral("应为 true 或 false"));
        out = value.toBool();
        return true;
    }

    bool test(const QJsonValue &value, const QString &where, PatternTest &out) {
        if (!value.isObject())
            return fail(where, QStringLiteral("应为对象"));
        QJsonObject object = value.toObject();
        QString expect;
        if (!string(object, where, QLatin1StringView("sample"), out.sample, true) ||
            !string(object, where, QLatin1StringView("expect"), expect, true))
            return false;
        const auto found = std::find_if(kExpectNames.begin(), kExpectNames.end(),
                                        [&](const ExpectName &entry) { return entry.name == expect; });
        if (found == kExpectNames.end())
            return fail(where + QStringLiteral(".expect"), QStringLiteral("未知的期望 \"%1\"").arg(expect));
        out.expect = found->expect;
        switch (out.expect) {
        case Expectation::Matches: {
            const QJsonValue values = object.take(QLatin1StringView("values"));
            if (!values.isArray())
                return fail(where + QStringLiteral(".values"), QStringLiteral("应为字符串的数组"));
            for (const QJsonValue &v : values.toArray()) {
                if (!v.isString())
                    return fail(where + QStringLiteral(".values"), QStringLiteral("应为字符串的数组"));
                out.values.append(v.toString());
            }
            break;
        }
        case Expectation::Group: {
            const QJsonValue group = object.take(QLatin1StringView("group"));
            const double n = group.toDouble(-1);
            if (!group.isDouble() || n < 0 || n > 65535 || n != std::floor(n))
                return fail(where + QStringLiteral(".group"), QStringLiteral("应为 0 到 65535 的整数"));
            out.group = int(n);
            if (!string(object, where, QLatin1StringView("value"), out.value, true))
                return false;
            break;
        }
        case Expectation::Replace:
            if (!string(object, where, QLatin1StringView("replacement"), out.replacement, true) ||
                !string(object, where, QLatin1StringView("value"), out.value, true))
                return false;
            break;
        default:
            break;
        }
        out.unknown = object;
        return true;
    }

    bool pattern(const QJsonValue &value, const QString &where, TestedPattern &out) {
        if (!value.isObject())
            return fail(where, QStringLiteral("应为对象"));
        QJsonObject object = value.toObject();
        if (!string(object, where, QLatin1StringView("name"), out.name) ||
            !string(object, where, QLatin1StringView("pattern"), out.pattern, true))
            return false;
        const QJsonValue options = object.take(QLatin1StringView("options"));
        if (!options.isUndefined()) {
            if (!options.isObject())
                return fail(where + QStringLiteral(".options"), QStringLiteral("应为对象"));
            QJsonObject fields = options.toObject();
            for (const OptionName &option : kOptionNames) {
                bool on = option.inverted ? !(out.options.*option.field) : out.options.*option.field;
                if (!boolean(fields, where + QStringLiteral(".options"), option.name, on))
                    return false;
                out.options.*option.field = option.inverted ? !on : on;
            }
            out.unknownOptions = fields;
        }
        const QJsonValue tests = object.take(QLatin1StringView("tests"));
        if (!tests.isUndefined()) {
            if (!tests.isArray())
                return fail(where + QStringLiteral(".tests"), QStringLiteral("应为数组"));
            const QJsonArray list = tests.toArray();
            out.tests.reserve(list.size());
            for (qsizetype i = 0; i < list.size(); ++i) {
                PatternTest test;
                if (!this->test(list[i], where + QStringLiteral(".tests[%1]").arg(i), test))
                    return false;
                out.tests.append(std::move(test));
            }
        }
        out.unknown = object;
        return true;
    }
};

// JSON text of a string: every character as UTF-8 except the ones JSON must escape, control characters,
// U+2028/U+2029 and unpaired surrogates, which are written as escapes so that they come back unchanged.
void writeString(QByteArray &out, QStringView text) {
    out += '"';
    const auto hex = [&out](char16_t unit) {
        out += "\\u";
        out += QByteArray::number(unit, 16).rightJustified(4, '0');
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case u'"':
            out += "\\\"";
            continue;
        case u'\\':
            out += "\\\\";
            continue;
        case u'\n':
            out += "\\n";
            continue;
        case u'\r':
            out += "\\r";
            continue;
        case u'\t':
            out += "\\t";
            continue;
        default:
            break;
        }
        if (c < 0x20 || c == 0x2028 || c == 0x2029) {
            hex(c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                   QChar::isLowSurrogate(text[i + 1].unicode())) {
            out += text.sliced(i, 2).toUtf8();
            ++i;
        } else if (QChar::isSurrogate(c)) {
            hex(c);
        } else {
            out += text.sliced(i, 1).toUtf8();
        }
    }
    out += '"';
}

void writeValue(QByteArray &out, const QJsonValue &value);

// The members of one JSON object: the known ones as the codec writes them, then the unknown ones kept from
// the file. An unknown field whose key has been written already is left out, so that a test whose
// expectation changed after reading (a kept "value" of a "match" test that is now a "replace" test) does
// not come out with its key twice.
class ObjectWriter final {
public:
    // Opens the object; members are separated by separator (", " or a line break with its indent).
    explicit ObjectWriter(QByteArray &out, QByteArrayView separator = ", ") : m_out(out), m_separator(separator) {
        m_out += '{';
    }

    // Starts a member; its value follows.
    QByteArray &key(const QString &key) {
        if (!m_keys.isEmpty())
            m_out += m_separator;
        m_keys.append(key);
        writeString(m_out, key);
        m_out += ": ";
        return m_out;
    }

    // The unknown fields; later names the known keys still to come.
    void unknown(const QJsonObject &fields, const QStringList &later = {}) {
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            if (!m_keys.contains(it.key()) && !later.contains(it.key()))
                writeValue(key(it.key()), it.value());
        }
    }

    void separator(QByteArrayView separator) { m_separator = separator; }
    void close() { m_out += '}'; }

private:
    QByteArray &m_out;
    QByteArrayView m_separator;
    QStringList m_keys;
};

void writeValue(QByteArray &out, const QJsonValue &value) {
    switch (value.type()) {
    case QJsonValue::String:
        writeString(out, value.toString());
        break;
    case QJsonValue::Array: {
        out += '[';
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (i > 0)
                out += ", ";
            writeValue(out, array[i]);
        }
        out += ']';
        break;
    }
    case QJsonValue::Object: {
        ObjectWriter object(out);
        object.unknown(value.toObject());
        object.close();
        break;
    }
    default:
        // Numbers, booleans and null as Qt writes them.
        out += QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).chopped(1).mid(1);
        break;
    }
}

void writeStrings(QByteArray &out, const QStringList &texts) {
    out += '[';
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i > 0)
            out += ", ";
        writeString(out, texts[i]);
    }
    out += ']';
}

void writeTest(QByteArray &out, const PatternTest &test) {
    ObjectWriter object(out);
    writeString(object.key(QStringLiteral("sample")), test.sample);
    QByteArray &expect = object.key(QStringLiteral("expect"));
    expect += '"';
    expect += expectName(test.expect);
    expect += '"';
    switch (test.expect) {
    case Expectation::Matches:
        writeStrings(object.key(QStringLiteral("values")), test.values);
        break;
    case Expectation::Group:
        object.key(QStringLiteral("group")) += QByteArray::number(test.group);
        writeString(object.key(QStringLiteral("value")), test.value);
        break;
    case Expectation::Replace:
        writeString(object.key(QStringLiteral("replacement")), test.replacement);
        writeString(object.key(QStringLiteral("value")), test.value);
        break;
    default:
        break;
    }
    object.unknown(test.unknown);
    object.close();
}

// One entry on a few lines: name and pattern, its options, its unknown fields, then one test a line.
void writePattern(QByteArray &out, const TestedPattern &entry) {
    out += "    ";
    ObjectWriter object(out);
    writeString(object.key(QStringLiteral("name")), entry.name);
    writeString(object.key(QStringLiteral("pattern")), entry.pattern);
    object.separator(",\n     ");
    ObjectWriter options(object.key(QStringLiteral("options")));
    for (const OptionName &option : kOptionNames) {
        const bool on = entry.options.*option.field;
        options.key(QString(option.name)) += (on != option.inverted) ? "true" : "false";
    }
    options.unknown(entry.unknownOptions);
    options.close();
    // Written before the tests so that they stay in view at the top of a long entry.
    object.unknown(entry.unknown, {QStringLiteral("tests")});
    QByteArray &tests = object.key(QStringLiteral("tests"));
    tests += '[';
    for (qsizetype i = 0; i < entry.tests.size(); ++i) {
        tests += i > 0 ? ",\n       " : "\n       ";
        writeTest(tests, entry.tests[i]);
    }
    tests += ']';
    object.close();
}

QString fileName(const QString &path) {
    return QFileInfo(path).fileName();
}

} // namespace

TestsParse parseTests(QByteArrayView json) {
    TestsParse result;
    QJsonParseError parseError;
    // Read in place: a file refused as garbage may be a hundred megabytes.
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromRawData(json.data(), json.size()), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        result.error = QStringLiteral("不是有效的 JSON (第 %1 个字节: %2)")
                           .arg(parseError.offset + 1)
                           .arg(parseError.errorString());
        return result;
    }
    Reader reader;
    if (!document.isObject()) {
        result.error = QStringLiteral("应为一个 JSON 对象");
        return result;
    }
    QJsonObject root = document.object();
    const QJsonValue version = root.take(QLatin1StringView("version"));
    if (!version.isUndefined() && (!version.isDouble() || version.toDouble() != kVersion)) {
        result.error = QStringLiteral("version: 不支持的版本 (应为 %1)").arg(kVersion);
        return result;
    }
    const QJsonValue patterns = root.take(QLatin1StringView("patterns"));
    if (!patterns.isUndefined()) {
        if (!patterns.isArray()) {
            result.error = QStringLiteral("patterns: 应为数组");
            return result;
        }
        const QJsonArray list = patterns.toArray();
        for (qsizetype i = 0; i < list.size(); ++i) {
            TestedPattern entry;
            if (!reader.pattern(list[i], QStringLiteral("patterns[%1]").arg(i), entry)) {
                result.error = reader.error;
                result.file = {};
                return result;
            }
            result.file.patterns.append(std::move(entry));
        }
    }
    result.file.unknown = root;
    return result;
}

QByteArray serializeTests(const TestsFile &file) {
    QByteArray out;
    ObjectWriter object(out);
    object.key(QStringLiteral("version")) += QByteArray::number(kVersion);
    object.unknown(file.unknown, {QStringLiteral("patterns")});
    QByteArray &patterns = object.key(QStringLiteral("patterns"));
    patterns += '[';
    for (qsizetype i = 0; i < file.patterns.size(); ++i) {
        patterns += i > 0 ? ",\n" : "\n";
        writePattern(patterns, file.patterns[i]);
    }
    patterns += ']';
    object.close();
    out += '\n';
    return out;
}

QString testsPathFor(const QString &workingFilePath) {
    QString path = workingFilePath;
    if (path.endsWith(QLatin1StringView(".txt"), Qt::CaseInsensitive))
        path.chop(4);
    return path + QStringLiteral(".tests.json");
}

TestsFileRead readTestsFile(const QString &path, DamagedTestsFile damaged) {
    TestsFileRead result;
    // A tests file is small; anything much larger is no tests file, and is refused unread.
    constexpr qint64 kMostBytes = qint64(256) << 20;
    FileBytes bytes = readRegularFile(path, kMostBytes);
    if (bytes.status == FileReadStatus::Missing) {
        result.missing = true;
        return result;
    }
    if (bytes.status == FileReadStatus::Failed) {
        // Not read is not damaged: a directory, a file without read permission or one too large stays
        // where it is, untouched (its reason names the path).
        result.keepOff = true;
        result.error = QStringLiteral("%1; 该文件保持原样,不会被覆盖").arg(bytes.error);
        return result;
    }
    TestsParse parsed = parseTests(bytes.bytes);
    bytes.bytes = QByteArray();
    if (parsed.ok()) {
        result.file = std::move(parsed.file);
        return result;
    }
    if (damaged == DamagedTestsFile::PutAside) {
        // Keep the damaged file where nothing overwrites it.
        QString aside = path + QStringLiteral(".damaged");
        for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
            aside = path + QStringLiteral(".damaged-%1").arg(n);
        if (QFile::rename(path, aside)) {
            result.error =
                QStringLiteral("%1: %2; 已另存为 %3").arg(fileName(path), parsed.error, fileName(aside));
            return result;
        }
    }
    result.keepOff = true;
    result.error = QStringLiteral("%1: %2; 该文件保持原样,不会被覆盖").arg(fileName(path), parsed.error);
    return result;
}

bool writeTestsFile(const QString &path, const TestsFile &file, QString *error) {
    if (file.patterns.isEmpty() && file.unknown.isEmpty() && !QFileInfo::exists(path))
        return true;
    return writeWholeFile(path, serializeTests(file), error);
}

} // namespace rw
