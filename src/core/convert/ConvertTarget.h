#pragma once

#include <QString>

#include <optional>
#include <span>

namespace rw {

// The languages a pattern can be taken to, in the order a target list shows them.
enum class ConvertTarget { JavaScript, Python, Java, DotNet, Go, Php, Cpp, Pcre2, VbScript };

// What a target is called on the command line ("js", "python" ...) and in a target list.
struct ConvertTargetInfo {
    ConvertTarget target;
    QString id;    // the command line's name
    QString title; // the name a user reads: "JavaScript", "C# (.NET)" ...
};

// Every target, in list order.
std::span<const ConvertTargetInfo> convertTargets();
const ConvertTargetInfo &convertTargetInfo(ConvertTarget target);
// The target of a command-line name; nullopt for an unknown name.
std::optional<ConvertTarget> convertTargetFromId(const QString &id);

} // namespace rw
