// Our engine against the real engines of the targets: every case of the corpus is matched (and replaced)
// by ours on the pattern as written and by the target's engine on the converted pattern. A case must agree,
// or its conversion must carry a warning; one that differs without a warning fails.
#include "DifferentialCorpus.h"

#include "core/convert/JsonLine.h"
#include "core/convert/PatternConverter.h"
#include "core/regex/Matcher.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <map>

// rw_core sets the 16-bit width; the 8-bit functions are declared all the same.
#ifdef RW_HAVE_PCRE2_8
#include <pcre2.h>
#endif

using rw::ConvertedPattern;
using rw::ConvertTarget;
using rw::PatternConverter;

namespace {

struct Outcome {
    QString error;                    // the engine refused the pattern
    QList<QList<qsizetype>> matches;  // per match: start, end of the match and of each group (-1: no part)
    std::optional<QString> replaced;

    bool operator==(const Outcome &o) const {
        return error.isEmpty() == o.error.isEmpty() && matches == o.matches && replaced == o.replaced;
    }
};

QString describe(const Outcome &o) {
    if (!o.error.isEmpty())
        return QStringLiteral("error ") + o.error;
    QStringList rows;
    for (const auto &m : o.matches) {
        QStringList offsets;
        for (qsizetype v : m)
            offsets << QString::number(v);
        rows << offsets.join(u',');
    }
    QString text = u'[' + rows.join(QStringLiteral("] [")) + u']';
    if (o.replaced)
        text += QStringLiteral(" -> ") + rw::JsonLine::quote(*o.replaced);
    return text;
}

Outcome ours(const DifferentialCase &c) {
    Outcome out;
    const rw::Pattern pattern = rw::Pattern::compile(c.pattern, c.options);
    rw::Matcher matcher(pattern);
    rw::MatchSet set(pattern.captureCount());
    matcher.findAll(c.subject, set);
    for (qsizetype i = 0; i < set.size(); ++i) {
        QList<qsizetype> row;
        for (int g = 0; g <= set.groupCount(); ++g)
            row << set.start(i, g) << set.end(i, g);
        out.matches << row;
    }
    if (c.replacement)
        out.replaced = matcher.replaceAll(c.subject, *c.replacement);
    return out;
}

bool hasLoneSurrogate(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (text[i].isSurrogate())
            return true;
    }
    return false;
}

Outcome fromAnswer(const QString &line) {
    Outcome out;
    QString why;
    const std::optional<QVariantMap> answer = rw::JsonLine::parseObject(line, &why);
    if (!answer) {
        out.error = QStringLiteral("unreadable answer: ") + line.left(200);
        return out;
    }
    if (answer->contains(QStringLiteral("error"))) {
        out.error = answer->value(QStringLiteral("error")).toString();
        return out;
    }
    for (const QVariant &m : answer->value(QStringLiteral("matches")).toList()) {
        QList<qsizetype> row;
        for (const QVariant &v : m.toList())
            row << qsizetype(v.toDouble());
        out.matches << row;
    }
    if (answer->contains(QStringLiteral("replaced")))
        out.replaced = answer->value(QStringLiteral("replaced")).toString();
    return out;
}

// One request line for a runner: the converted pattern, how it is compiled and what it is run on.
QString request(const ConvertedPattern &c, const DifferentialCase &dc) {
    QString flags;
    if (c.target == ConvertTarget::JavaScript) {
        flags = rw::JsonLine::quote(c.flagsText());
    } else {
        QStringList items;
        for (const QString &f : c.flags)
            items << rw::JsonLine::quote(f);
        flags = u'[' + items.join(u',') + u']';
    }
    QString line = QStringLiteral("{\"pattern\": %1, \"flags\": %2, \"subject\": %3, \"global\": %4")
                       .arg(rw::JsonLine::quote(c.pattern), flags, rw::JsonLine::quote(dc.subject),
                            dc.options.global ? QStringLiteral("true") : QStringLiteral("false"));
    if (c.hasReplacement) {
        line += QStringLiteral(", \"replacement\": ") + rw::JsonLine::quote(c.replacement);
        if (c.replacementIsCode)
            line += QStringLiteral(", \"replacementIsCode\": true");
        QStringList pieces;
        for (const rw::ReplacementPiece &p : c.replacementPieces) {
            switch (p.kind) {
            case rw::ReplacementPiece::Kind::Literal:
                pieces << QStringLiteral("[\"text\", %1]").arg(rw::JsonLine::quote(p.text));
                break;
            case rw::ReplacementPiece::Kind::Group:
                pieces << QStringLiteral("[\"group\", %1]").arg(p.group);
                break;
            case rw::ReplacementPiece::Kind::Before:
                pieces << QStringLiteral("[\"before\"]");
                break;
            case rw::ReplacementPiece::Kind::After:
                pieces << QStringLiteral("[\"after\"]");
                break;
            }
        }
        line += QStringLiteral(", \"pieces\": [") + pieces.join(u',') + u']';
    }
    return line + u'}';
}

#ifdef RW_HAVE_PCRE2_8
// The PCRE2 8-bit library in UTF mode, as a C program uses it: the global loop as the C snippet writes
// it (after an empty match, one character further), each replacement expanded by pcre2_substitute.
class Pcre2Runner final {
public:
    static Outcome run(const ConvertedPattern &c, const DifferentialCase &dc) {
        Outcome out;
        uint32_t options = 0;
        for (const QString &f : c.flags) {
            if (f == QStringLiteral("PCRE2_UTF"))
                options |= PCRE2_UTF;
            else if (f == QStringLiteral("PCRE2_ALLOW_EMPTY_CLASS"))
                options |= PCRE2_ALLOW_EMPTY_CLASS;
            else if (f == QStringLiteral("PCRE2_MATCH_UNSET_BACKREF"))
                options |= PCRE2_MATCH_UNSET_BACKREF;
            else if (f == QStringLiteral("PCRE2_CASELESS"))
                options |= PCRE2_CASELESS;
        }
        const QByteArray pattern = c.pattern.toUtf8();
        int code = 0;
        PCRE2_SIZE offset = 0;
        pcre2_code_8 *re = pcre2_compile_8(reinterpret_cast<PCRE2_SPTR8>(pattern.constData()), pattern.size(),
                                           options, &code, &offset, nullptr);
        if (!re) {
            PCRE2_UCHAR8 buffer[256];
            pcre2_get_error_message_8(code, buffer, sizeof buffer);
            out.error = QString::fromUtf8(reinterpret_cast<const char *>(buffer));
            return out;
        }
        const QByteArray subject = dc.subject.toUtf8();
        // UTF-16 offset of every byte offset that starts a character (and of the end).
        std::vector<qsizetype> units(std::size_t(subject.size()) + 1, 0);
        qsizetype u = 0;
        for (qsizetype b = 0; b < subject.size();) {
            units[std::size_t(b)] = u;
            const uchar lead = uchar(subject[b]);
            const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            u += length == 4 ? 2 : 1;
            b += length;
        }
        units[std::size_t(subject.size())] = u;
        pcre2_match_data_8 *data = pcre2_match_data_create_from_pattern_8(re, nullptr);
        const QByteArray replacement = c.replacement.toUtf8();
        QByteArray replaced;
        qsizetype copied = 0;
        PCRE2_SIZE start = 0;
        for (;;) {
            if (start > PCRE2_SIZE(subject.size()))
                break;
            const int rc = pcre2_match_8(re, reinterpret_cast<PCRE2_SPTR8>(subject.constData()), subject.size(), start,
                                         0, data, nullptr);
            if (rc < 0) {
                if (rc != PCRE2_ERROR_NOMATCH)
                    out.error = QStringLiteral("match error %1").arg(rc);
                break;
            }
            const PCRE2_SIZE *ov = pcre2_get_ovector_pointer_8(data);
            const uint32_t pairs = pcre2_get_ovector_count_8(data);
            QList<qsizetype> row;
            for (int g = 0; g <= c.captureCount; ++g) {
                if (uint32_t(g) >= pairs || ov[2 * g] == PCRE2_UNSET)
                    row << -1 << -1;
                else
                    row << units[ov[2 * g]] << units[ov[2 * g + 1]];
            }
            out.matches << row;
            if (c.hasReplacement) {
                replaced += subject.mid(copied, qsizetype(ov[0]) - copied);
                PCRE2_UCHAR8 buffer[4096];
                PCRE2_SIZE length = sizeof buffer;
                const int sr = pcre2_substitute_8(
                    re, reinterpret_cast<PCRE2_SPTR8>(subject.constData()), subject.size(), 0,
                    PCRE2_SUBSTITUTE_MATCHED | PCRE2_SUBSTITUTE_REPLACEMENT_ONLY | PCRE2_SUBSTITUTE_UNSET_EMPTY, data,
                    nullptr, reinterpret_cast<PCRE2_SPTR8>(replacement.constData()), replacement.size(), buffer, &length);
                if (sr < 0)
                    out.error = QStringLiteral("substitute error %1").arg(sr);
                else
                    replaced += QByteArray(reinterpret_cast<const char *>(buffer), qsizetype(length));
                copied = qsizetype(ov[1]);
            }
            if (!dc.options.global)
                break;
            start = ov[1];
            if (ov[1] == ov[0]) {
                if (start >= PCRE2_SIZE(subject.size()))
                    break;
                ++start;
                while (start < PCRE2_SIZE(subject.size()) && (uchar(subject[qsizetype(start)]) & 0xC0) == 0x80)
                    ++start;
            }
        }
        if (c.hasReplacement) {
            replaced += subject.mid(copied);
            out.replaced = QString::fromUtf8(replaced);
        }
        pcre2_match_data_free_8(data);
        pcre2_code_free_8(re);
        return out;
    }
};
#endif

struct Engine {
    QString program;
    QStringList arguments;
};

// How to start a target's engine over the corpus, or why it can't be.
std::optional<Engine> engineFor(ConvertTarget target, QString &missing) {
    const QString runners = QStringLiteral(RW_RUNNERS_DIR);
    const auto find = [&](const QString &name) {
        const QString path = QStandardPaths::findExecutable(name);
        if (path.isEmpty())
            missing = name + QStringLiteral(" is not installed");
        return path;
    };
    switch (target) {
    case ConvertTarget::JavaScript: {
        const QString node = find(QStringLiteral("node"));
        return node.isEmpty() ? std::nullopt : std::optional<Engine>({node, {runners + QStringLiteral("/runner.js")}});
    }
    case ConvertTarget::Python: {
        const QString python = find(QStringLiteral("python3"));
        return python.isEmpty() ? std::nullopt
                                : std::optional<Engine>({python, {runners + QStringLiteral("/runner.py")}});
    }
    case ConvertTarget::Cpp:
        return Engine{QStringLiteral(RW_CPP_RUNNER), {}};
    case ConvertTarget::Go: {
        const QString go = find(QStringLiteral("go"));
        return go.isEmpty() ? std::nullopt
                            : std::optional<Engine>({go, {QStringLiteral("run"), runners + QStringLiteral("/runner.go")}});
    }
    case ConvertTarget::Java: {
        const QString java = find(QStringLiteral("java"));
        return java.isEmpty() ? std::nullopt
                              : std::optional<Engine>({java, {runners + QStringLiteral("/Runner.java")}});
    }
    default:
        missing = QStringLiteral("no runner");
        return std::nullopt;
    }
}

QStringList runEngine(const Engine &engine, const QStringList &requests, QString &failure) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("GOCACHE"), QDir::tempPath() + QStringLiteral("/rw-go-cache"));
    env.insert(QStringLiteral("GOFLAGS"), QStringLiteral("-mod=mod"));
    process.setProcessEnvironment(env);
    process.start(engine.program, engine.arguments);
    if (!process.waitForStarted(30'000)) {
        failure = QStringLiteral("could not start ") + engine.program;
        return {};
    }
    process.write((requests.join(u'\n') + u'\n').toUtf8());
    process.closeWriteChannel();
    if (!process.waitForFinished(240'000)) {
        process.kill();
        failure = engine.program + QStringLiteral(" did not finish");
        return {};
    }
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    QStringList lines = output.split(u'\n', Qt::SkipEmptyParts);
    if (lines.size() != requests.size())
        failure = QStringLiteral("%1 answered %2 of %3 cases: %4")
                      .arg(engine.program)
                      .arg(lines.size())
                      .arg(requests.size())
                      .arg(QString::fromLocal8Bit(process.readAllStandardError()).left(2000));
    return lines;
}

} // namespace

class tst_ConvertDifferential final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void againstTheTargetsEngine_data();
    void againstTheTargetsEngine();

private:
    std::vector<DifferentialCase> m_cases;
    std::vector<Outcome> m_ours;
};

void tst_ConvertDifferential::initTestCase() {
    m_cases = differential::corpus();
    // Only patterns our dialect accepts are compared; the seeds are all valid.
    for (const DifferentialCase &c : m_cases) {
        QVERIFY2(rw::Pattern::compile(c.pattern, c.options).isValid(), qPrintable(c.pattern));
        m_ours.push_back(ours(c));
    }
    QVERIFY(m_cases.size() >= 2000);
}

void tst_ConvertDifferential::againstTheTargetsEngine_data() {
    QTest::addColumn<ConvertTarget>("target");
    QTest::newRow("js") << ConvertTarget::JavaScript;
    QTest::newRow("python") << ConvertTarget::Python;
    QTest::newRow("cpp") << ConvertTarget::Cpp;
    QTest::newRow("pcre2") << ConvertTarget::Pcre2;
    // Go and Java are driven when asked for (RW_CONVERT_ENGINES=go,java) and installed.
    const QStringList asked = qEnvironmentVariable("RW_CONVERT_ENGINES").split(u',', Qt::SkipEmptyParts);
    if (asked.contains(QStringLiteral("go")))
        QTest::newRow("go") << ConvertTarget::Go;
    if (asked.contains(QStringLiteral("java")))
        QTest::newRow("java") << ConvertTarget::Java;
}

void tst_ConvertDifferential::againstTheTargetsEngine() {
    QFETCH(ConvertTarget, target);
    const bool utf8Only = target == ConvertTarget::Go || target == ConvertTarget::Pcre2;
    std::optional<Engine> engine;
#ifndef RW_HAVE_PCRE2_8
    if (target == ConvertTarget::Pcre2)
        QSKIP("no 8-bit PCRE2 library in this build");
#endif
#ifdef Q_OS_WIN
    // The C++ conversion is proven against libstdc++'s std::regex with a 32-bit wchar_t; MinGW's has a
    // 16-bit one (no character outside the BMP is one character), and its runner's console speaks the
    // ANSI code page.
    if (target == ConvertTarget::Cpp)
        QSKIP("std::wregex with a 16-bit wchar_t is not the std::regex the conversion is proven against");
#endif
    if (target != ConvertTarget::Pcre2) {
        QString missing;
        engine = engineFor(target, missing);
        if (!engine)
            QSKIP(qPrintable(missing));
    }

    // Each distinct conversion once.
    std::map<QString, ConvertedPattern> conversions; // its elements stay where they are
    std::vector<const ConvertedPattern *> converted(m_cases.size(), nullptr);
    std::vector<std::size_t> compared;
    int skipped = 0;
    for (std::size_t i = 0; i < m_cases.size(); ++i) {
        const DifferentialCase &c = m_cases[i];
        const QString key = QStringLiteral("%1|%2%3%4|%5")
                                .arg(c.pattern)
                                .arg(int(c.options.ignoreCase))
                                .arg(int(c.options.multiline))
                                .arg(int(c.options.global))
                                .arg(c.replacement ? u'r' + *c.replacement : QStringLiteral("-"));
        auto it = conversions.find(key);
        if (it == conversions.end())
            it = conversions.emplace(key, PatternConverter::convert(c.pattern, c.options, target, c.replacement)).first;
        QVERIFY2(it->second.isValid(), qPrintable(c.pattern));
        converted[i] = &it->second;
        // A UTF-8 engine has no text with a lone surrogate to run on.
        if (utf8Only && (hasLoneSurrogate(c.subject) || (c.replacement && hasLoneSurrogate(*c.replacement)))) {
            ++skipped;
            continue;
        }
        compared.push_back(i);
    }

    std::vector<Outcome> theirs;
    if (engine) {
        QStringList requests;
        for (std::size_t i : compared)
            requests << request(*converted[i], m_cases[i]);
        QString failure;
        const QStringList answers = runEngine(*engine, requests, failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        for (const QString &a : answers)
            theirs.push_back(fromAnswer(a));
    } else {
#ifdef RW_HAVE_PCRE2_8
        for (std::size_t i : compared)
            theirs.push_back(Pcre2Runner::run(*converted[i], m_cases[i]));
#endif
    }

    int agree = 0;
    int agreeWarned = 0;
    int warned = 0;
    QStringList unwarned;
    QStringList warnedList;
    for (std::size_t k = 0; k < compared.size(); ++k) {
        const std::size_t i = compared[k];
        const ConvertedPattern &c = *converted[i];
        if (theirs[k] == m_ours[i]) {
            ++agree;
            agreeWarned += c.warnings.empty() ? 0 : 1;
            continue;
        }
        if (!c.warnings.empty())
            ++warned;
        const DifferentialCase &dc = m_cases[i];
        QStringList &list = c.warnings.empty() ? unwarned : warnedList;
        list << QStringLiteral("%1 [%2%3%4] on %5%6\n    converted %7 flags %8%9\n    ours   %10\n    theirs %11")
                        .arg(rw::JsonLine::quote(dc.pattern), dc.options.ignoreCase ? QStringLiteral("i") : QString(),
                             dc.options.multiline ? QStringLiteral("m") : QString(),
                             dc.options.global ? QStringLiteral("g") : QString(), rw::JsonLine::quote(dc.subject),
                             dc.replacement ? QStringLiteral(" replacing with ") + rw::JsonLine::quote(*dc.replacement)
                                            : QString(),
                             rw::JsonLine::quote(c.pattern), c.flagsText(),
                             c.hasReplacement ? QStringLiteral(" replacement ") + rw::JsonLine::quote(c.replacement)
                                              : QString())
                        .arg(describe(m_ours[i]), describe(theirs[k]));
        for (const rw::ConvertWarning &w : c.warnings)
            list.last() += QStringLiteral("\n    warning %1-%2: %3").arg(w.from).arg(w.to).arg(w.text);
    }
    qInfo().noquote() << QStringLiteral("%1: %2 cases compared: %3 agree (%4 of them warned), %5 differ with a "
                                        "warning, %6 differ without a warning; %7 not run (a lone surrogate)")
                             .arg(QString::fromLatin1(QTest::currentDataTag()))
                             .arg(compared.size())
                             .arg(agree)
                             .arg(agreeWarned)
                             .arg(warned)
                             .arg(unwarned.size())
                             .arg(skipped);
    for (const QString &u : unwarned.mid(0, 40))
        qInfo().noquote() << u;
    if (qEnvironmentVariableIsSet("RW_CONVERT_SHOW_WARNED")) {
        for (const QString &w : warnedList)
            qInfo().noquote() << QStringLiteral("warned: ") << w;
    }
    QCOMPARE(unwarned.size(), 0);
}

QTEST_GUILESS_MAIN(tst_ConvertDifferential)
#include "tst_convertdifferential.moc"
