#pragma once

#include <QIODevice>
#include <QString>

namespace rw {

// regex-workbench --convert TARGET: reads JSON lines from in, one pattern each,
//   {"pattern": "...", "caseSensitive": false, "multiline": true, "global": true, "replacement": "..."}
// (the options default to ours: case-insensitive, multi-line, global; replacement is optional), and writes
// one JSON line per line read to out (UTF-8):
//   {"pattern": "...", "flags": ..., "replacement": "...", "warnings": [{"from": i, "to": j, "text": "..."}]}
// or {"error": "...", "errorOffset": n, "warnings": []} for a pattern our dialect rejects or a line that is
// no such object. Blank lines are skipped. Returns the exit code: 0, 1 when a line was not understood, 2
// (with a message on err) for an unknown target.
int runConvertCommand(const QString &targetId, QIODevice &in, QIODevice &out, QIODevice &err);

// The --help text of --convert's target names.
QString convertTargetsHelp();

} // namespace rw
