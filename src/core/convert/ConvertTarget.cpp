#include "ConvertTarget.h"

#include <array>

namespace rw {

std::span<const ConvertTargetInfo> convertTargets() {
    static const std::array<ConvertTargetInfo, 9> targets{{
        {ConvertTarget::JavaScript, QStringLiteral("js"), QStringLiteral("JavaScript")},
        {ConvertTarget::Python, QStringLiteral("python"), QStringLiteral("Python 3 (re)")},
        {ConvertTarget::Java, QStringLiteral("java"), QStringLiteral("Java (java.util.regex)")},
        {ConvertTarget::DotNet, QStringLiteral("dotnet"), QStringLiteral("C# (.NET)")},
        {ConvertTarget::Go, QStringLiteral("go"), QStringLiteral("Go (regexp)")},
        {ConvertTarget::Php, QStringLiteral("php"), QStringLiteral("PHP (preg)")},
        {ConvertTarget::Cpp, QStringLiteral("cpp"), QStringLiteral("C++ (std::regex)")},
        {ConvertTarget::Pcre2, QStringLiteral("pcre2"), QStringLiteral("C (PCRE2)")},
        {ConvertTarget::VbScript, QStringLiteral("vbscript"), QStringLiteral("VBScript / VBA")},
    }};
    return targets;
}

const ConvertTargetInfo &convertTargetInfo(ConvertTarget target) {
    return convertTargets()[std::size_t(target)];
}

std::optional<ConvertTarget> convertTargetFromId(const QString &id) {
    for (const ConvertTargetInfo &info : convertTargets()) {
        if (info.id == id)
            return info.target;
    }
    return std::nullopt;
}

} // namespace rw
