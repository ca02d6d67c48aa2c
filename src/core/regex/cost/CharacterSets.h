#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace rw::cost {

// A set of UTF-16 units as sorted, disjoint, inclusive ranges.
using Ranges = std::vector<std::pair<int, int>>;

Ranges normalised(Ranges r);
Ranges complement(const Ranges &r);
// The units of \d, \w or \s (their complements for \D, \W, \S) as the component's engine reads them.
Ranges escapeSet(char16_t letter);
// Adds the case variants of the units in r, as the engine's caseless matching sees them.
Ranges folded(const Ranges &r);

// The alphabet cut into the classes the automaton's sets tell apart; each set a bitset of classes.
// sets are the automaton's, state by state: the first two (the start and the search's loop over start
// positions) are not the pattern's own and are left out of `takers`.
struct Alphabet {
    std::vector<std::pair<int, int>> classes;
    std::vector<std::vector<std::uint64_t>> bits; // per state
    std::vector<char16_t> sample;                 // a unit of each class, a readable one if it has one
    std::vector<int> takers;                      // how many of the pattern's states take each class

    explicit Alphabet(const std::vector<Ranges> &sets);

    // A unit in all of the states' sets, or 0 when they share none: from the class fewest states take
    // (so the witness does not wander into the rest of the pattern), a readable one among those.
    char16_t common(std::span<const int> states) const;
    // Whether common(states) finds a unit, without choosing one (inline: the searches ask it about every
    // move they look at). 0 stands for "none", so the first class does not count where its sample is 0
    // (it holds only control characters).
    bool meet(std::span<const int> states) const {
        for (std::size_t w = 0; w < words(); ++w) {
            std::uint64_t m = shared(states, w);
            if (w == 0 && sample.front() == 0)
                m &= ~std::uint64_t(1);
            if (m)
                return true;
        }
        return false;
    }

    std::size_t words() const { return bits.empty() ? 0 : bits.front().size(); }
    // Word w of the bitset of the classes that all of the states take.
    std::uint64_t shared(std::span<const int> states, std::size_t w) const {
        std::uint64_t m = ~std::uint64_t(0);
        for (int s : states)
            m &= bits[std::size_t(s)][w];
        return m;
    }
};

} // namespace rw::cost
