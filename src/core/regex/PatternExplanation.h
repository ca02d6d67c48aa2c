#pragma once

#include "Pattern.h"
#include "SyntaxTree.h"

#include <QString>
#include <QStringView>

#include <vector>

namespace rw {

// One part of a pattern explained in Chinese, with the range of the pattern it explains and the parts
// inside it.
struct ExplanationItem {
    QString text;
    qsizetype begin = 0; // the part is pattern[begin, end)
    qsizetype end = 0;
    std::vector<ExplanationItem> children;
};

// What each part of a pattern means in this dialect, as a tree of Chinese texts. The texts say what the
// dialect does where it differs from the dialects users know (ASCII-only classes, "." and "\r", the
// anchors under Multiline).
struct PatternExplanation {
    std::vector<ExplanationItem> items; // the pattern's top-level parts; one item holding the fault when invalid
    bool valid = true;

    // Explains pattern under options (only multiline changes a text); a pattern the engine rejects gives
    // one item with the reason and the place, ranging over the faulty character.
    static PatternExplanation explain(const QString &pattern, const RegexOptions &options);
    // The same for a pattern already read into tree (which compiles it: not on the UI thread).
    static PatternExplanation explain(const SyntaxTree &tree, const QString &pattern, const RegexOptions &options);

    // The text of one node, as a tooltip shows it: a group says "第 N 个捕获分组", a quantifier what it
    // repeats how often, a class escape or anchor what it matches.
    static QString describe(const SyntaxTree &tree, int index, const RegexOptions &options);
};

} // namespace rw
