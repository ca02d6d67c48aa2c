#pragma once

#include <cstddef>

// The mapping tables behind the GB18030 codec (Gb18030.h), generated from ICU's converter.
namespace rw::gb18030 {

// Two-byte sequences: lead 0x81..0xFE, trail 0x40..0x7E or 0x80..0xFE, in that order; 0 where the
// pair is no character.
inline constexpr int TwoByteTrails = 190;
inline constexpr int TwoByteCount = 126 * TwoByteTrails;
extern const char16_t TwoByte[TwoByteCount];

// Four-byte sequences of the Basic Multilingual Plane, numbered 0 (0x81308130) to FourByteBmpCount - 1
// (0x8431A439). A run starts at `linear` with `ch` and goes up by one to the next run's start; ch 0 is
// a run of sequences that are no character.
inline constexpr int FourByteBmpCount = 39420;
struct FourByteRun {
    int linear;
    char16_t ch;
};
extern const FourByteRun FourByteRuns[];
extern const std::size_t FourByteRunCount;

} // namespace rw::gb18030
