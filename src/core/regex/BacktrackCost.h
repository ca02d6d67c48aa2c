#pragma once

#include "Pattern.h"
#include "SyntaxTree.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <vector>

namespace rw {

// How a backtracking engine's work on a failing text grows with the text's length n, found from the
// pattern's position automaton (one state per character the pattern can consume, Glushkov's
// construction over the syntax tree): exponential when some loop of the automaton can read one word
// along two different paths (the engine tries both, at every repetition); polynomial of degree k when k
// loops follow one another and each can hand the same word to the next (the engine tries every split).
// A search tries every start position, so an unanchored pattern starts with one such loop of its own.
struct BacktrackCost {
    enum class Growth { Linear, Polynomial, Exponential, Unknown };
    enum class Unknown { None, TooLarge, BackReference, Invalid };

    Growth growth = Growth::Linear;
    int degree = 1;             // Polynomial: n^degree; 1 when linear
    Unknown why = Unknown::None;
    // The quantifiers to blame (syntax-tree node indices), in pattern order, and their source ranges.
    std::vector<int> blamed;
    // The worst input: prefix + pump × n + suffix. Empty pump when linear or unknown.
    QString prefix;
    QString pump;
    QString suffix;

    QString witness(int n) const { return prefix + pump.repeated(n) + suffix; }

    // Reads the tree of pattern under options; gives up with TooLarge past a budget of automaton states
    // and search steps that keeps a few hundred characters of pattern within a few milliseconds.
    static BacktrackCost analyse(const SyntaxTree &tree, const RegexOptions &options);
    static BacktrackCost analyse(QStringView pattern, const RegexOptions &options);

    // The engine's own count of steps (PCRE2 auto-callouts, interpreter, start-up optimisations off)
    // for a whole search of text; stops counting at limit and returns it.
    static std::uint64_t engineSteps(QStringView pattern, const RegexOptions &options, QStringView text,
                                     std::uint64_t limit = 20'000'000);

    // The engine's steps on the witness at three growing sizes, the largest still countable (run it on a
    // worker: it takes up to a few hundred milliseconds).
    struct Sample {
        int n = 0;
        std::uint64_t steps = 0;
    };
    static constexpr std::uint64_t kSampleLimit = 20'000'000;
    std::vector<Sample> measure(QStringView pattern, const RegexOptions &options) const;
    // keepGoing, when given, is asked every few ten thousand steps; once it says no, the samples are
    // not worth reading (the caller has moved on).
    std::vector<Sample> measure(const SyntaxTree &tree, QStringView pattern, const RegexOptions &options,
                                const std::function<bool()> &keepGoing = {}) const;

    // The verdict as shown to the user: "回溯复杂度: 线性" and so on.
    QString verdictText() const;
};

// A rewrite that matches the same strings at a lower cost, where one of a few known shapes applies:
// a quantified group around one quantified atom ("(a+)+" -> "a+"), or a starred group of a repeated atom
// and an optional separator ("(\w+\s?)*" -> "(\w+\s)*\w*"). Offered only when the rewrite's own
// analysis is linear-or-better than the pattern's and it matches the same texts on the witness and on
// samples. Empty when none applies.
struct RewriteHint {
    QString pattern;     // the whole pattern rewritten
    QString explanation; // in Chinese, e.g. "(a+)+ 可写作 a+"
    static RewriteHint find(QStringView pattern, const RegexOptions &options, const BacktrackCost &cost);
    static RewriteHint find(const SyntaxTree &tree, QStringView pattern, const RegexOptions &options,
                            const BacktrackCost &cost);
};

} // namespace rw
