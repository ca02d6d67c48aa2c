#pragma once

#include <QString>
#include <QStringView>

class QTextStream;

namespace rw {

// How `regex-workbench --test RULES_FILE` ends.
enum class TestCommandExit { AllPassed = 0, SomeFailed = 1, Unreadable = 2 };

// The command line's run of a rules library's tests, without a window: reads the rules file at rulesPath
// (a working file: GB18030, one rule a line) and the tests file beside it (testsPathFor), pairs them as the
// program does (pairRulesWithTests) and runs every test of every rule that has some. Each failure is one
// line on out: the rule's name, the sample, the expectation and the result, separated by tabs, each put
// on one line by oneLine(); last comes "N passed, M failed". Why a file could not be read or parsed goes to
// err, as does each entry of the tests file with tests that no rule claims. A missing tests file is no tests.
// Reads only: a damaged tests file stays where it is.
TestCommandExit runTestCommand(const QString &rulesPath, QTextStream &out, QTextStream &err);

// text as one printable line: backslash, tab and line breaks as \\ \t \n \r, other control characters
// as \xHH, U+2028 and U+2029 and unpaired surrogates as \uHHHH; everything else as it is.
QString oneLine(QStringView text);

} // namespace rw
