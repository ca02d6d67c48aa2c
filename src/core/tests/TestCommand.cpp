#include "TestCommand.h"

#include "RuleTests.h"
#include "TestsCodec.h"
#include "core/rules/RulesCodec.h"
#include "core/text/WorkingFile.h"

#include <QFileInfo>
#include <QTextStream>

namespace rw {

namespace {

QString hex(char16_t unit, int width) {
    return QString::number(unit, 16).toUpper().rightJustified(width, u'0');
}

} // namespace

QString oneLine(QStringView text) {
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case u'\\':
            line += QLatin1StringView("\\\\");
            continue;
        case u'\t':
            line += QLatin1StringView("\\t");
            continue;
        case u'\n':
            line += QLatin1StringView("\\n");
            continue;
        case u'\r':
            line += QLatin1StringView("\\r");
            continue;
        default:
            break;
        }
        if (c < 0x20 || (c >= 0x7f && c < 0xa0)) {
            line += QLatin1StringView("\\x") + hex(c, 2);
        } else if (c == 0x2028 || c == 0x2029) {
            line += QLatin1StringView("\\u") + hex(c, 4);
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            line += text.sliced(i, 2);
            ++i;
        } else if (QChar::isSurrogate(c)) {
            line += QLatin1StringView("\\u") + hex(c, 4);
        } else {
            line += QChar(c);
        }
    }
    return line;
}

TestCommandExit runTestCommand(const QString &rulesPath, QTextStream &out, QTextStream &err) {
    const WorkingFileRead rulesRead = readWorkingFile(rulesPath);
    if (rulesRead.status == FileReadStatus::Missing) {
        err << QStringLiteral("%1: 规则文件不存在").arg(rulesPath) << Qt::endl;
        return TestCommandExit::Unreadable;
    }
    if (rulesRead.status == FileReadStatus::Failed) {
        err << rulesRead.error << Qt::endl;
        return TestCommandExit::Unreadable;
    }
    const QList<Rule> rules = parseRules(rulesRead.text);

    const QString testsPath = testsPathFor(rulesPath);
    const TestsFileRead testsRead = readTestsFile(testsPath, DamagedTestsFile::LeaveInPlace);
    if (!testsRead.error.isEmpty()) {
        err << testsRead.error << Qt::endl;
        return TestCommandExit::Unreadable;
    }
    const QList<TestedPattern> &entries = testsRead.file.patterns;
    const RuleTestsPairing pairing = pairRulesWithTests(rules, entries);
    for (const int unclaimed : pairing.unclaimed) {
        const TestedPattern &entry = entries[unclaimed];
        if (entry.tests.isEmpty())
            continue;
        err << QStringLiteral("%1: 没有名称为 “%2”、表达式为 “%3” 的规则,这一项的 %4 个测试未运行")
                   .arg(QFileInfo(testsPath).fileName(), oneLine(entry.name), oneLine(entry.pattern),
                        QString::number(entry.tests.size()))
            << Qt::endl;
    }

    int passed = 0;
    int failed = 0;
    const QChar tab(u'\t');
    for (qsizetype r = 0; r < rules.size(); ++r) {
        const int index = pairing.entryOfRule[r];
        if (index < 0)
            continue;
        const TestedPattern &entry = entries[index];
        const QList<TestResult> results = runTests(entry);
        for (qsizetype t = 0; t < results.size(); ++t) {
            if (results[t].passed()) {
                ++passed;
                continue;
            }
            ++failed;
            const PatternTest &test = entry.tests[t];
            out << oneLine(rules[r].name) << tab << QStringLiteral("“%1”").arg(oneLine(test.sample)) << tab
                << oneLine(expectationText(test)) << tab << oneLine(results[t].text) << Qt::endl;
        }
    }
    out << QStringLiteral("%1 passed, %2 failed").arg(passed).arg(failed) << Qt::endl;
    return failed > 0 ? TestCommandExit::SomeFailed : TestCommandExit::AllPassed;
}

} // namespace rw
