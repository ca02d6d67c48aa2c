#pragma once

#include <cstddef>
#include <cstdint>

namespace rw {

// The limits that stop a runaway pattern, in one place. The match limit bounds each single match
// attempt (not a whole global run); with JIT one unit costs about 1.5 ns, so a runaway stops within
// a few hundred milliseconds, while a lazy scan (one unit per step) over 100 M units still fits.
struct EngineLimits final {
    static constexpr std::uint32_t matchLimit = 100'000'000;
    // The interpreter only (JIT ignores it): backtracking depth and its heap, in KiB.
    static constexpr std::uint32_t depthLimit = 10'000'000;
    static constexpr std::uint32_t heapLimitKiB = 256 * 1024;
    // Each Matcher's JIT stack starts small and may grow for long repeated groups.
    static constexpr std::size_t jitStackStart = 32 * 1024;
    static constexpr std::size_t jitStackMax = 512 * 1024 * 1024;
};

} // namespace rw
