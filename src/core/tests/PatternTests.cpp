#include "PatternTests.h"

#include "core/regex/MatchSet.h"
#include "core/regex/Matcher.h"
#include "core/regex/RunStatusText.h"
#include "core/text/DocumentText.h"

#include <algorithm>
#include <optional>

namespace rw {

namespace {

QString quoted(QStringView text) {
    return QStringLiteral("“%1”").arg(text);
}

QString quotedList(const QStringList &texts) {
    if (texts.isEmpty())
        return QStringLiteral("无匹配");
    QStringList shown;
    shown.reserve(texts.size());
    for (const QString &text : texts)
        shown.append(quoted(text));
    return shown.join(QStringLiteral("、"));
}

// Whether a text the engine gave equals an expected one. Both are compared with every line break as
// "\r\n", as the sample was given: an expected text is typed where a line break is just a line break, so a
// match that is only the "\r" or the "\n" of a sample's "\r\n" is a line break too.
bool sameText(QStringView actual, const QString &expected) {
    return paragraphsToCrLf(actual) == paragraphsToCrLf(expected);
}

QString failure(const QString &expected, const QString &actual) {
    return QStringLiteral("期望 ") + expected + QStringLiteral(" 实际 ") + actual;
}

// One compiled pattern with its matcher.
struct Compiled {
    Compiled(const QString &text, const RegexOptions &options) : pattern(Pattern::compile(text, options)) {
        if (pattern.isValid())
            matcher.emplace(pattern);
    }
    Pattern pattern;
    std::optional<Matcher> matcher;
};

} // namespace

QString expectationName(Expectation expect, int group) {
    switch (expect) {
    case Expectation::Match:
        return QStringLiteral("应匹配");
    case Expectation::NoMatch:
        return QStringLiteral("不应匹配");
    case Expectation::Whole:
        return QStringLiteral("整体匹配");
    case Expectation::Matches:
        return QStringLiteral("匹配结果为");
    case Expectation::Group:
        return QStringLiteral("第 %1 组为").arg(group);
    case Expectation::Replace:
        return QStringLiteral("替换结果为");
    }
    return {};
}

QString expectationText(const PatternTest &test) {
    const QString name = expectationName(test.expect, test.group);
    switch (test.expect) {
    case Expectation::Matches:
        return name + QLatin1Char(' ') + quotedList(test.values);
    case Expectation::Group:
        return name + QLatin1Char(' ') + quoted(test.value);
    case Expectation::Replace:
        return name + QLatin1Char(' ') + quoted(test.value) + QStringLiteral(" (替换为 ") +
               quoted(test.replacement) + QLatin1Char(')');
    default:
        return name;
    }
}

struct TestRunner::Private {
    QString text;
    RegexOptions options;
    Compiled matching;
    std::optional<Compiled> replacing; // under Replace's own options, made on the first replace test

    Private(const QString &t, const RegexOptions &o) : text(t), options(o), matching(t, o) {}

    Compiled &replacer() {
        if (!replacing) {
            RegexOptions own;
            own.perLine = options.perLine;
            replacing.emplace(text, own);
        }
        return *replacing;
    }
};

TestRunner::TestRunner(const QString &pattern, const RegexOptions &options)
    : d(std::make_unique<Private>(pattern, options)) {}

TestRunner::~TestRunner() = default;

TestResult TestRunner::run(const PatternTest &test, const std::function<bool()> &keepGoing) {
    const QString subject = paragraphsToCrLf(test.sample);
    Compiled &compiled = test.expect == Expectation::Replace ? d->replacer() : d->matching;
    if (!compiled.matcher)
        return {TestResult::Failed,
                runStatusText(RunCommand::Match, {MatchStatus::Rejected, compiled.pattern.error()})};

    const auto stopped = [](MatchStatus status) -> std::optional<TestResult> {
        if (status == MatchStatus::Canceled)
            return TestResult{TestResult::Canceled, {}};
        if (status == MatchStatus::LimitExceeded)
            return TestResult{TestResult::Failed, runStatusText(RunCommand::Match, {status})};
        return std::nullopt;
    };
    std::function<bool(MatchSet &)> poll;
    if (keepGoing)
        poll = [&keepGoing](MatchSet &) { return keepGoing(); };

    if (test.expect == Expectation::Replace) {
        MatchStatus status = MatchStatus::Ok;
        const QString actual = compiled.matcher->replaceAll(subject, test.replacement, &status, keepGoing);
        if (auto stop = stopped(status))
            return *stop;
        if (sameText(actual, test.value))
            return {TestResult::Passed, QStringLiteral("通过")};
        return {TestResult::Failed, failure(quoted(test.value), quoted(actual))};
    }

    MatchSet matches(compiled.pattern.captureCount());
    if (auto stop = stopped(compiled.matcher->findAll(subject, matches, poll)))
        return *stop;
    QStringList texts;
    texts.reserve(matches.size());
    for (qsizetype i = 0; i < matches.size(); ++i)
        texts.append(matches.text(subject, i, 0).toString());

    bool passed = false;
    QString expected;
    QString actual = quotedList(texts);
    switch (test.expect) {
    case Expectation::Match:
        passed = !matches.isEmpty();
        expected = QStringLiteral("匹配");
        break;
    case Expectation::NoMatch:
        passed = matches.isEmpty();
        expected = QStringLiteral("无匹配");
        break;
    case Expectation::Whole: {
        expected = QStringLiteral("整体匹配");
        // Matching line by line, each line must be one match; otherwise the sample is.
        std::vector<std::pair<qsizetype, qsizetype>> spans;
        if (d->options.perLine) {
            qsizetype begin = 0;
            for (qsizetype i = 0; i <= subject.size(); ++i) {
                if (i == subject.size() || subject[i] == u'\r' || subject[i] == u'\n') {
                    spans.emplace_back(begin, i);
                    if (i + 1 < subject.size() && subject[i] == u'\r' && subject[i + 1] == u'\n')
                        ++i;
                    begin = i + 1;
                }
            }
        } else {
            spans.emplace_back(0, subject.size());
        }
        passed = true;
        for (const auto &[begin, end] : spans) {
            bool covered = false;
            for (qsizetype i = 0; i < matches.size() && !covered; ++i)
                covered = matches.start(i, 0) == begin && matches.end(i, 0) == end;
            passed = passed && covered;
        }
        break;
    }
    case Expectation::Matches:
        passed = texts.size() == test.values.size() &&
                 std::equal(texts.begin(), texts.end(), test.values.begin(), sameText);
        expected = quotedList(test.values);
        break;
    case Expectation::Group:
        expected = expectationText(test);
        if (matches.isEmpty()) {
            actual = QStringLiteral("无匹配");
        } else if (test.group < 0 || test.group > matches.groupCount()) {
            actual = QStringLiteral("没有第 %1 组").arg(test.group);
        } else {
            const QString got = matches.text(subject, 0, test.group).toString();
            passed = sameText(got, test.value);
            actual = quoted(got);
        }
        break;
    case Expectation::Replace:
        break;
    }
    if (passed)
        return {TestResult::Passed, QStringLiteral("通过")};
    return {TestResult::Failed, failure(expected, actual)};
}

} // namespace rw
