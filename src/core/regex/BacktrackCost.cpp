// The verdict from its parts: the pattern's position automaton (cost/Automaton), the searches for words
// its loops read in more than one way (cost/Ambiguity), and the witness made of those words. The
// engine's own step counts are in cost/EngineSteps.cpp, what the user reads in cost/Wording.cpp.
#include "BacktrackCost.h"

#include "cost/Ambiguity.h"
#include "cost/Automaton.h"
#include "cost/CharacterSets.h"

#include <algorithm>

namespace rw {

namespace {

using namespace cost;

// A unit that ends the witness so that no path can take it: outside every state's set if there is one.
QString failingSuffix(const Automaton &a) {
    for (char16_t u : {u'!', u'\n', char16_t(1), u'#', u'~', u' '}) {
        bool taken = false;
        for (std::size_t s = 2; s < a.sets.size() && !taken; ++s) {
            taken = std::any_of(a.sets[s].begin(), a.sets[s].end(),
                                [u](const auto &r) { return u >= r.first && u <= r.second; });
        }
        if (!taken)
            return QString(QChar(u));
    }
    return QStringLiteral("!");
}

} // namespace

BacktrackCost BacktrackCost::analyse(QStringView pattern, const RegexOptions &options) {
    return analyse(SyntaxTree::parse(pattern), options);
}

BacktrackCost BacktrackCost::analyse(const SyntaxTree &tree, const RegexOptions &options) {
    BacktrackCost cost;
    if (!tree.isValid()) {
        cost.growth = Growth::Unknown;
        cost.why = Unknown::Invalid;
        return cost;
    }
    const Automaton a = positionAutomaton(tree, options);
    const auto unknown = [&](Unknown why) {
        cost = {};
        cost.growth = Growth::Unknown;
        cost.why = why;
        return cost;
    };
    if (a.tooLarge)
        return unknown(Unknown::TooLarge);

    const Alphabet alphabet(a.sets);
    Ambiguity ambiguity(a, alphabet);
    // Components in topological order (Tarjan numbers them in reverse).
    std::vector<int> loops;
    for (int c = ambiguity.componentCount() - 1; c >= 0; --c) {
        if (ambiguity.looping(c) && !ambiguity.acceptsFreely(c))
            loops.push_back(c);
    }

    for (int c : loops) {
        const auto [p, word] = ambiguity.ambiguousCycle(c);
        if (ambiguity.exhausted())
            return unknown(Unknown::TooLarge);
        if (p < 0 || word.isEmpty())
            continue;
        cost.growth = Growth::Exponential;
        cost.degree = 0;
        ambiguity.blame(c, cost.blamed);
        cost.prefix = ambiguity.path(0, p);
        cost.pump = word;
        cost.suffix = failingSuffix(a);
        break;
    }

    if (cost.growth != Growth::Exponential) {
        // The longest chain of loops each handing its word over to the next.
        const std::size_t n = loops.size();
        std::vector<int> chain(n, 1), next(n, -1);
        std::vector<QString> word(n);
        for (std::size_t i = n; i-- > 0;) {
            for (std::size_t j = i + 1; j < n; ++j) {
                if (chain[j] + 1 <= chain[i])
                    continue;
                const QString w = ambiguity.handOver(loops[i], loops[j]);
                if (ambiguity.exhausted())
                    return unknown(Unknown::TooLarge);
                if (!w.isEmpty()) {
                    chain[i] = chain[j] + 1;
                    next[i] = int(j);
                    word[i] = w;
                }
            }
        }
        const auto best = std::max_element(chain.begin(), chain.end());
        if (best != chain.end() && *best >= 2) {
            const std::size_t first = std::size_t(best - chain.begin());
            cost.growth = Growth::Polynomial;
            cost.degree = *best;
            for (int at = int(first); at >= 0; at = next[std::size_t(at)])
                ambiguity.blame(loops[std::size_t(at)], cost.blamed);
            // The search's own loop needs no prefix: it is where every start position is tried.
            const int start = ambiguity.members(loops[first]).front();
            if (start != 1)
                cost.prefix = ambiguity.path(0, start);
            cost.pump = word[first];
            cost.suffix = failingSuffix(a);
        }
    }
    if (a.backReference && cost.growth == Growth::Linear)
        return unknown(Unknown::BackReference);
    std::sort(cost.blamed.begin(), cost.blamed.end(),
              [&](int x, int y) { return tree.node(x).begin < tree.node(y).begin; });
    return cost;
}

} // namespace rw
