#include "CaseFolding.h"

#include <QChar>

#include <algorithm>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace rw {

namespace {

// Variants of every unit, built once: m_index[u] .. m_index[u + 1] is u's slice of m_pool.
struct VariantTable {
    VariantTable() {
        constexpr char32_t units = 0x10000;
        std::unordered_map<char32_t, std::vector<char16_t>> byFold;
        for (char32_t u = 0x80; u < units; ++u) {
            const char32_t folded = QChar::toCaseFolded(u);
            if (folded != u || QChar::toUpper(u) != u || QChar::toLower(u) != u)
                byFold[folded].push_back(char16_t(u));
        }
        // The folded unit itself belongs to its class when it is beyond ASCII.
        for (auto &[folded, members] : byFold) {
            if (folded >= 0x80 && folded < units &&
                std::find(members.begin(), members.end(), folded) == members.end())
                members.push_back(char16_t(folded));
        }
        m_index.resize(units + 1);
        for (char32_t u = 0; u < units; ++u) {
            m_index[u] = std::uint32_t(m_pool.size());
            if (u < 0x80)
                continue;
            const auto found = byFold.find(QChar::toCaseFolded(u));
            if (found == byFold.end())
                continue;
            for (char16_t other : found->second) {
                if (other != u)
                    m_pool.push_back(other);
            }
        }
        m_index[units] = std::uint32_t(m_pool.size());
    }

    std::vector<std::uint32_t> m_index;
    std::vector<char16_t> m_pool;
};

} // namespace

std::span<const char16_t> CaseFolding::variants(char16_t u) {
    static const VariantTable table;
    return {table.m_pool.data() + table.m_index[u], table.m_index[u + 1] - table.m_index[u]};
}

} // namespace rw
