// Converting a pattern of about 1,000 characters to each target (goal: 5 ms or less), and the same with a
// replacement and both snippets made; medians of repeated runs in one process.
#include "BenchSupport.h"
#include "core/convert/CodeSnippet.h"
#include "core/convert/PatternConverter.h"

#include <cstdio>

namespace {

constexpr int runs = 31;

// A pattern a user could write: groups, classes, quantifiers, alternatives, anchors, a back reference,
// letters beyond ASCII, so every part of the converter has work.
QString longPattern() {
    const QString piece = QStringLiteral(R"(^(\d{4})-(\d\d)-\d\d\s+\[(INFO|WARN|ERROR)\]\s+(?:[\w.]+@[\w.]+\.\w+|)"
                                         R"(用户[\u4e00-\u9fa5]{2,4})\s*(?=\S)(["']).*?\5\b[^\s<>]{0,20}$|)");
    QString pattern;
    while (pattern.size() < 1000)
        pattern += piece;
    pattern.chop(1); // the last "|"
    return pattern;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QString pattern = longPattern();
    const rw::RegexOptions options{true, true, true, false};
    std::printf("pattern: %lld characters; median of %d runs (ms)\n\n", qlonglong(pattern.size()), runs);
    std::printf("| target | convert | convert + replacement + both snippets |\n|---|---|---|\n");
    for (const rw::ConvertTargetInfo &info : rw::convertTargets()) {
        const double convert =
            rwbench::medianMs(runs, [&] { rw::PatternConverter::convert(pattern, options, info.target); });
        const double all = rwbench::medianMs(runs, [&] {
            const rw::ConvertedPattern c =
                rw::PatternConverter::convert(pattern, options, info.target, QStringLiteral("[$1] $&"));
            rw::codeSnippet(c, rw::SnippetKind::Match, QStringLiteral("2024-05-01 [INFO] a@b.cn"));
            rw::codeSnippet(c, rw::SnippetKind::Replace, QStringLiteral("2024-05-01 [INFO] a@b.cn"));
        });
        std::printf("| %s | %.2f | %.2f |\n", qPrintable(info.id), convert, all);
    }
    return 0;
}
