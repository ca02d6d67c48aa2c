#include "CodeSnippet.h"

#include "StringLiteral.h"

#include <QHash>

namespace rw {

namespace {

// Fills the placeholders ({{NAME}}) of a program's text.
QString fill(QString text, const QHash<QString, QString> &values) {
    for (auto it = values.begin(); it != values.end(); ++it)
        text.replace(QStringLiteral("{{") + it.key() + QStringLiteral("}}"), it.value());
    return text;
}

// Keeps the lines of a program that belong to this variant. A line may start with tags, each a "?" and a
// letter: M only in a Match snippet, P only in a Replace snippet, G only when global, N only when not, R
// only for a replacement template, F only for a replacement function.
QString choose(const QString &text, bool replace, bool global, bool code) {
    QStringList kept;
    for (QString line : text.split(u'\n')) {
        bool keep = true;
        while (line.size() >= 2 && line[0] == u'?' && line[1].isUpper() && (line.size() == 2 || line[2] == u' ')) {
            switch (line[1].unicode()) {
            case u'M':
                keep = keep && !replace;
                break;
            case u'P':
                keep = keep && replace;
                break;
            case u'G':
                keep = keep && global;
                break;
            case u'N':
                keep = keep && !global;
                break;
            case u'R':
                keep = keep && !code;
                break;
            case u'F':
                keep = keep && code;
                break;
            default:
                break;
            }
            line.remove(0, std::min<qsizetype>(3, line.size()));
        }
        if (keep)
            kept << line;
    }
    return kept.join(u'\n');
}

const QString &javaScriptProgram() {
    static const QString text = QStringLiteral(R"~(const re = /{{PATTERN}}/{{FLAGS}};
const text = {{TEXT}};
?M function show(m) {
?M   console.log(`${m.index}: ${m[0]}`);
?M   for (let g = 1; g < m.length; g++)
?M     console.log(`  ${g}: ${m[g] === undefined ? '(未参与)' : m[g]}`);
?M }
?M ?G for (const m of text.matchAll(re))
?M ?G   show(m);
?M ?N const m = re.exec(text);
?M ?N if (m)
?M ?N   show(m);
?P // 标志 g 时替换全部匹配，否则只替换第一个
?P console.log(text.replace(re, {{REPLACEMENT}}));
)~");
    return text;
}

const QString &pythonProgram() {
    static const QString text = QStringLiteral(R"~(import re

pattern = re.compile({{PATTERN}}{{FLAGS}})
text = {{TEXT}}
?M def show(m):
?M     print(f"{m.start()}: {m.group()}")
?M     for g in range(1, pattern.groups + 1):
?M         print(f"  {g}: {'(未参与)' if m.group(g) is None else m.group(g)}")
?M
?M ?G for m in pattern.finditer(text):
?M ?G     show(m)
?M ?N m = pattern.search(text)
?M ?N if m:
?M ?N     show(m)
?P ?R replacement = {{REPLACEMENT}}
?P ?F replacement = {{REPLACEMENT}}
?P ?G print(pattern.sub(replacement, text))
?P ?N print(pattern.sub(replacement, text, count=1))
)~");
    return text;
}

const QString &javaProgram() {
    static const QString text = QStringLiteral(R"~(import java.util.Objects;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

public class Main {
    public static void main(String[] args) {
        Pattern pattern = Pattern.compile({{PATTERN}}{{FLAGS}});
        String text = {{TEXT}};
?M         Matcher m = pattern.matcher(text);
?M ?G         while (m.find()) {
?M ?N         if (m.find()) {
?M             System.out.println(m.start() + ": " + m.group());
?M             for (int g = 1; g <= m.groupCount(); g++)
?M                 System.out.println("  " + g + ": " + (m.group(g) == null ? "(未参与)" : m.group(g)));
?M         }
?P ?R ?G         System.out.println(pattern.matcher(text).replaceAll({{REPLACEMENT}}));
?P ?R ?N         System.out.println(pattern.matcher(text).replaceFirst({{REPLACEMENT}}));
?P ?F ?G         System.out.println(pattern.matcher(text).replaceAll({{REPLACEMENT}}));
?P ?F ?N         System.out.println(pattern.matcher(text).replaceFirst({{REPLACEMENT}}));
    }
}
)~");
    return text;
}

const QString &csharpProgram() {
    static const QString text = QStringLiteral(R"~(using System;
using System.Text.RegularExpressions;

var regex = new Regex({{PATTERN}}, {{FLAGS}});
var text = {{TEXT}};
?M ?G foreach (Match m in regex.Matches(text))
?M ?G     Show(m);
?M ?N var first = regex.Match(text);
?M ?N if (first.Success)
?M ?N     Show(first);
?P ?G Console.WriteLine(regex.Replace(text, {{REPLACEMENT}}));
?P ?N Console.WriteLine(regex.Replace(text, {{REPLACEMENT}}, 1));
?M
?M static void Show(Match m)
?M {
?M     Console.WriteLine($"{m.Index}: {m.Value}");
?M     for (int g = 1; g < m.Groups.Count; g++)
?M         Console.WriteLine($"  {g}: {(m.Groups[g].Success ? m.Groups[g].Value : "(未参与)")}");
?M }
)~");
    return text;
}

const QString &goProgram() {
    static const QString text = QStringLiteral(R"~(package main

import (
	"fmt"
	"regexp"
)

func main() {
	re := regexp.MustCompile({{PATTERN}})
	text := {{TEXT}}
?M ?G 	for _, m := range re.FindAllStringSubmatchIndex(text, -1) {
?M ?N 	if m := re.FindStringSubmatchIndex(text); m != nil {
?M 		fmt.Printf("%d: %s\n", m[0], text[m[0]:m[1]])
?M 		for g := 1; g < len(m)/2; g++ {
?M 			if m[2*g] < 0 {
?M 				fmt.Printf("  %d: (未参与)\n", g)
?M 			} else {
?M 				fmt.Printf("  %d: %s\n", g, text[m[2*g]:m[2*g+1]])
?M 			}
?M 		}
?M 	}
?P 	replacement := {{REPLACEMENT}}
?P ?G 	fmt.Println(re.ReplaceAllString(text, replacement))
?P ?N 	if m := re.FindStringSubmatchIndex(text); m != nil {
?P ?N 		fmt.Println(text[:m[0]] + string(re.ExpandString(nil, replacement, text, m)) + text[m[1]:])
?P ?N 	} else {
?P ?N 		fmt.Println(text)
?P ?N 	}
}
)~");
    return text;
}

const QString &phpProgram() {
    static const QString text = QStringLiteral(R"~(<?php
$pattern = {{PATTERN}};
$text = {{TEXT}};
?M ?G preg_match_all($pattern, $text, $matches, PREG_SET_ORDER | PREG_OFFSET_CAPTURE | PREG_UNMATCHED_AS_NULL);
?M ?N $matches = preg_match($pattern, $text, $m, PREG_OFFSET_CAPTURE | PREG_UNMATCHED_AS_NULL) ? [$m] : [];
?M foreach ($matches as $m) {
?M     echo $m[0][1], ': ', $m[0][0], "\n";
?M     for ($g = 1; $g < count($m); $g++) {
?M         echo "  $g: ", $m[$g][0] ?? '(未参与)', "\n";
?M     }
?M }
?P ?R echo preg_replace($pattern, {{REPLACEMENT}}, $text, {{LIMIT}}), "\n";
?P ?F echo preg_replace_callback($pattern, {{REPLACEMENT}}, $text, {{LIMIT}}, $count, PREG_OFFSET_CAPTURE), "\n";
)~");
    return text;
}

const QString &cppProgram() {
    static const QString text = QStringLiteral(R"~(#include <clocale>
#include <iostream>
#include <regex>
#include <string>

// wchar_t holds one code point on Linux and macOS (one UTF-16 unit on Windows).
int main() {
    std::setlocale(LC_ALL, ""); // for std::wcout only; the regex keeps the classic locale
    const std::wregex re({{PATTERN}}, {{FLAGS}});
    const std::wstring text = {{TEXT}};
?M     const auto show = [](const std::wsmatch &m) {
?M         std::wcout << m.position() << L": " << m.str() << L'\n';
?M         for (std::size_t g = 1; g < m.size(); ++g)
?M             std::wcout << L"  " << g << L": " << (m[g].matched ? m.str(g) : std::wstring(L"(\u672A\u53C2\u4E0E)")) << L'\n';
?M     };
?M ?G     for (auto it = std::wsregex_iterator(text.begin(), text.end(), re); it != std::wsregex_iterator(); ++it)
?M ?G         show(*it);
?M ?N     std::wsmatch m;
?M ?N     if (std::regex_search(text, m, re))
?M ?N         show(m);
?P ?G     std::wcout << std::regex_replace(text, re, {{REPLACEMENT}}) << L'\n';
?P ?N     std::wcout << std::regex_replace(text, re, {{REPLACEMENT}}, std::regex_constants::format_first_only) << L'\n';
}
)~");
    return text;
}

const QString &cProgram() {
    static const QString text = QStringLiteral(R"~(#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>
#include <stdio.h>

int main(void) {
    static const char pattern[] = {{PATTERN}};
    static const char text[] = {{TEXT}};
?P     static const char replacement[] = {{REPLACEMENT}};
    const PCRE2_SIZE length = sizeof text - 1;
    int error;
    PCRE2_SIZE error_offset;
    pcre2_code *re = pcre2_compile((PCRE2_SPTR)pattern, sizeof pattern - 1, {{FLAGS}}, &error, &error_offset, NULL);
    if (re == NULL) {
        PCRE2_UCHAR message[256];
        pcre2_get_error_message(error, message, sizeof message);
        fprintf(stderr, "%s\n", (char *)message);
        return 1;
    }
    pcre2_match_data *match = pcre2_match_data_create_from_pattern(re, NULL);
?M     uint32_t groups = 0;
?M     pcre2_pattern_info(re, PCRE2_INFO_CAPTURECOUNT, &groups);
?P     PCRE2_SIZE copied = 0;
    PCRE2_SIZE start = 0;
    while (start <= length && pcre2_match(re, (PCRE2_SPTR)text, length, start, 0, match, NULL) >= 0) {
        const PCRE2_SIZE *ov = pcre2_get_ovector_pointer(match);
?M         printf("%zu: %.*s\n", (size_t)ov[0], (int)(ov[1] - ov[0]), text + ov[0]);
?M         for (uint32_t g = 1; g <= groups; ++g) {
?M             if (ov[2 * g] == PCRE2_UNSET)
?M                 printf("  %u: (未参与)\n", (unsigned)g);
?M             else
?M                 printf("  %u: %.*s\n", (unsigned)g, (int)(ov[2 * g + 1] - ov[2 * g]), text + ov[2 * g]);
?M         }
?P         PCRE2_UCHAR expansion[4096];
?P         PCRE2_SIZE expansion_length = sizeof expansion;
?P         pcre2_substitute(re, (PCRE2_SPTR)text, length, 0,
?P                          PCRE2_SUBSTITUTE_MATCHED | PCRE2_SUBSTITUTE_REPLACEMENT_ONLY | PCRE2_SUBSTITUTE_UNSET_EMPTY,
?P                          match, NULL, (PCRE2_SPTR)replacement, sizeof replacement - 1, expansion, &expansion_length);
?P         fwrite(text + copied, 1, ov[0] - copied, stdout);
?P         fwrite(expansion, 1, expansion_length, stdout);
?P         copied = ov[1];
?N         break;
?G         /* After an empty match the search goes on one character further. */
?G         start = ov[1];
?G         if (ov[1] == ov[0]) {
?G             if (start >= length)
?G                 break;
?G             for (++start; start < length && (text[start] & 0xC0) == 0x80; ++start) {
?G             }
?G         }
    }
?P     fwrite(text + copied, 1, length - copied, stdout);
?P     putchar('\n');
    pcre2_match_data_free(match);
    pcre2_code_free(re);
    return 0;
}
)~");
    return text;
}

const QString &vbscriptProgram() {
    static const QString text = QStringLiteral(R"~(' VBA：引用“Microsoft VBScript Regular Expressions 5.5”，把 WScript.Echo 换成 Debug.Print
Dim re, text, m, g
Set re = New RegExp
re.Pattern = {{PATTERN}}
re.IgnoreCase = {{IGNORECASE}}
re.Global = {{GLOBAL}}
re.Multiline = {{MULTILINE}}
text = {{TEXT}}
?M For Each m In re.Execute(text)
?M     WScript.Echo m.FirstIndex & ": " & m.Value
?M     For g = 0 To m.SubMatches.Count - 1
?M         WScript.Echo "  " & (g + 1) & ": " & m.SubMatches(g)
?M     Next
?M Next
?P WScript.Echo re.Replace(text, {{REPLACEMENT}})
)~");
    return text;
}

QString flagsArgument(const ConvertedPattern &c) {
    switch (c.target) {
    case ConvertTarget::Python:
    case ConvertTarget::Java:
        return c.flags.isEmpty() ? QString() : QStringLiteral(", ") + c.flagsText();
    default:
        return c.flagsText();
    }
}

QString vbBool(bool b) {
    return b ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

CodeSnippet codeSnippet(const ConvertedPattern &c, SnippetKind kind, const QString &subject) {
    if (!c.isValid())
        return {{}, c.error.text()};
    const bool replace = kind == SnippetKind::Replace;
    if (replace && !c.hasReplacement)
        return {{}, QStringLiteral("没有替换文本")};
    const ConvertTarget t = c.target;
    QHash<QString, QString> values;
    const auto literal = [&](const QString &name, const QString &text) {
        const StringLiteral l = stringLiteral(t, text);
        values.insert(name, l.code);
        return l;
    };
    QString pattern = c.pattern;
    if (t == ConvertTarget::JavaScript) {
        values.insert(QStringLiteral("PATTERN"), pattern.isEmpty() ? QStringLiteral("(?:)") : pattern);
    } else {
        const StringLiteral p = literal(QStringLiteral("PATTERN"), pattern);
        if (!p.isValid())
            return {{}, QStringLiteral("模式：") + p.refusal};
    }
    const StringLiteral s = literal(QStringLiteral("TEXT"), subject);
    if (!s.isValid())
        return {{}, QStringLiteral("文本：") + s.refusal};
    if (replace) {
        if (c.replacementIsCode) {
            values.insert(QStringLiteral("REPLACEMENT"), c.replacement);
        } else {
            const StringLiteral r = literal(QStringLiteral("REPLACEMENT"), c.replacement);
            if (!r.isValid())
                return {{}, QStringLiteral("替换文本：") + r.refusal};
        }
    }
    values.insert(QStringLiteral("FLAGS"), flagsArgument(c));
    values.insert(QStringLiteral("LIMIT"), c.options.global ? QStringLiteral("-1") : QStringLiteral("1"));
    values.insert(QStringLiteral("IGNORECASE"), vbBool(c.options.ignoreCase));
    values.insert(QStringLiteral("GLOBAL"), vbBool(c.options.global));
    values.insert(QStringLiteral("MULTILINE"), vbBool(c.options.multiline));

    const QString *program = nullptr;
    switch (t) {
    case ConvertTarget::JavaScript:
        program = &javaScriptProgram();
        break;
    case ConvertTarget::Python:
        program = &pythonProgram();
        break;
    case ConvertTarget::Java:
        program = &javaProgram();
        break;
    case ConvertTarget::DotNet:
        program = &csharpProgram();
        break;
    case ConvertTarget::Go:
        program = &goProgram();
        break;
    case ConvertTarget::Php:
        program = &phpProgram();
        break;
    case ConvertTarget::Cpp:
        program = &cppProgram();
        break;
    case ConvertTarget::Pcre2:
        program = &cProgram();
        break;
    case ConvertTarget::VbScript:
        program = &vbscriptProgram();
        break;
    }
    // The placeholders are filled last, so no text of the user's is ever read as a tag.
    const QString chosen = choose(*program, replace, c.options.global, c.replacementIsCode);
    return {fill(chosen, values), {}};
}

} // namespace rw
