#pragma once

#include "PatternConverter.h"

namespace rw {

// Writes out.replacement (and replacementIsCode, and any warnings) for out.target from
// out.replacementPieces; replacement is the text as the user wrote it (VBScript takes it as it is).
void writeReplacement(ConvertedPattern &out, const QString &replacement);

} // namespace rw
