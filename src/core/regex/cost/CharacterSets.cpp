// Sets of UTF-16 units as the engine reads them, and the alphabet the automaton's sets cut.
#include "CharacterSets.h"

#include "core/regex/CaseFolding.h"

#include <QChar>

#include <algorithm>

namespace rw::cost {

Ranges normalised(Ranges r) {
    std::sort(r.begin(), r.end());
    Ranges out;
    for (const auto &[lo, hi] : r) {
        if (!out.empty() && lo <= out.back().second + 1)
            out.back().second = std::max(out.back().second, hi);
        else
            out.push_back({lo, hi});
    }
    return out;
}

Ranges complement(const Ranges &r) {
    Ranges out;
    int next = 0;
    for (const auto &[lo, hi] : r) {
        if (lo > next)
            out.push_back({next, lo - 1});
        next = hi + 1;
    }
    if (next <= 0xFFFF)
        out.push_back({next, 0xFFFF});
    return out;
}

Ranges escapeSet(char16_t letter) {
    Ranges r;
    switch (QChar::toLower(letter)) {
    case u'd':
        r = {{'0', '9'}};
        break;
    case u'w':
        r = {{'0', '9'}, {'A', 'Z'}, {'_', '_'}, {'a', 'z'}};
        break;
    default: // s: the component's white space, ASCII only
        r = {{'\t', '\r'}, {' ', ' '}};
        break;
    }
    return QChar::isUpper(letter) ? complement(r) : r;
}

Ranges folded(const Ranges &r) {
    Ranges out = r;
    for (const auto &[lo, hi] : r) {
        for (int c = std::max(lo, int('A')); c <= std::min(hi, int('Z')); ++c)
            out.push_back({c + 32, c + 32});
        for (int c = std::max(lo, int('a')); c <= std::min(hi, int('z')); ++c)
            out.push_back({c - 32, c - 32});
        // Beyond ASCII, only ranges small enough to walk (a class of a whole script is left as it is).
        if (hi - lo < 4096) {
            for (int c = std::max(lo, 0x80); c <= hi; ++c) {
                for (char16_t v : CaseFolding::variants(char16_t(c)))
                    out.push_back({v, v});
            }
        }
    }
    return normalised(std::move(out));
}

Alphabet::Alphabet(const std::vector<Ranges> &sets) {
    std::vector<int> cuts{0, 0x10000};
    for (const Ranges &r : sets) {
        for (const auto &[lo, hi] : r) {
            cuts.push_back(lo);
            cuts.push_back(hi + 1);
        }
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i)
        classes.push_back({cuts[i], cuts[i + 1] - 1});
    const std::size_t words = (classes.size() + 63) / 64;
    for (const Ranges &r : sets) {
        std::vector<std::uint64_t> b(words, 0);
        for (std::size_t c = 0; c < classes.size(); ++c) {
            const int u = classes[c].first;
            if (std::any_of(r.begin(), r.end(), [u](const auto &x) { return u >= x.first && u <= x.second; }))
                b[c / 64] |= std::uint64_t(1) << (c % 64);
        }
        bits.push_back(std::move(b));
    }
    for (const auto &[lo, hi] : classes) {
        char16_t pick = char16_t(lo);
        for (const auto &[a, z] : {std::pair{'a', 'z'}, {'0', '9'}, {'A', 'Z'}, {'!', '~'}, {' ', ' '}}) {
            const int from = std::max(lo, int(a)), to = std::min(hi, int(z));
            if (from <= to) {
                pick = char16_t(from);
                break;
            }
        }
        sample.push_back(pick);
    }
    takers.assign(classes.size(), 0);
    for (std::size_t s = 2; s < bits.size(); ++s) {
        for (std::size_t c = 0; c < classes.size(); ++c)
            takers[c] += int(bits[s][c / 64] >> (c % 64) & 1);
    }
}

char16_t Alphabet::common(std::span<const int> states) const {
    char16_t best = 0;
    int bestTakers = 0;
    const auto readable = [](char16_t u) { return u >= ' ' && u <= '~'; };
    for (std::size_t w = 0; w < words(); ++w) {
        const std::uint64_t m = shared(states, w);
        for (std::size_t c = w * 64; m && c < std::min(classes.size(), w * 64 + 64); ++c) {
            if (!(m >> (c % 64) & 1))
                continue;
            const char16_t u = sample[c];
            const int t = takers[c];
            if (best == 0 || t < bestTakers || (t == bestTakers && readable(u) && !readable(best)) ||
                (t == bestTakers && QChar::isLower(u) && !QChar::isLower(best))) {
                best = u;
                bestTakers = t;
            }
        }
    }
    return best;
}

} // namespace rw::cost
