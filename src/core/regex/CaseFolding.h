#pragma once

#include <span>

namespace rw {

// Which other UTF-16 units a unit equals when case is ignored. Two units are equal when Unicode simple
// case folding maps them to the same unit; as in ECMAScript, a unit beyond ASCII never equals an ASCII
// letter (so "ſ" is not "s" and the Kelvin sign is not "k"). ASCII letters are left to the engine's own
// caseless mode, so they have no variants here.
class CaseFolding final {
public:
    // The units other than u that equal u; empty for ASCII and for units without case.
    static std::span<const char16_t> variants(char16_t u);
};

} // namespace rw
