#pragma once

#include <QString>

namespace rw {

// The rules text that seeds a missing rules file: 32 lines joined by "\r\n", no break after the last.
QString builtInRulesText();

} // namespace rw
