#pragma once

#include "CharacterSets.h"

#include "core/regex/Pattern.h"
#include "core/regex/SyntaxTree.h"

#include <vector>

namespace rw::cost {

// The most automaton states the analysis builds before it says "too large": a 200-character pattern
// needs a small part of it.
constexpr int kMaxStates = 2000;

struct Edge {
    int to;
    int owner; // the quantifier whose repetition this edge is (a syntax node), or -1
};

// The position automaton: state 0 reads nothing (the start), state 1 is the search's own loop over start
// positions (any unit), the others each read one unit of their set.
struct Automaton {
    std::vector<Ranges> sets;
    std::vector<std::vector<Edge>> edges;
    std::vector<bool> freeAccepting; // accepting without any assertion left to pass
    bool backReference = false;
    bool tooLarge = false;

    int add(Ranges set) {
        sets.push_back(std::move(set));
        edges.emplace_back();
        freeAccepting.push_back(false);
        if (int(sets.size()) > kMaxStates)
            tooLarge = true;
        return int(sets.size()) - 1;
    }
};

// The automaton of the tree (which must be valid) under options, Glushkov's construction: one state per
// character the pattern can consume. Assertions and lookaheads read nothing; a back reference reads
// nothing and sets backReference. Left unfinished, with tooLarge set, past kMaxStates.
Automaton positionAutomaton(const SyntaxTree &tree, const RegexOptions &options);

} // namespace rw::cost
