"""Reads one case a line ({"pattern", "flags", "subject", "global", "replacement", "replacementIsCode"}) and
answers each with the matches (UTF-16 offsets of the match and its groups, -1 for a group that took no part)
and the replaced text, doing what the Python snippets do."""
import json
import re
import sys


def utf16_offsets(text):
    offsets = [0]
    for ch in text:
        offsets.append(offsets[-1] + (2 if ord(ch) > 0xFFFF else 1))
    return offsets


def main():
    out = []
    for line in sys.stdin.read().split("\n"):
        if not line:
            continue
        case = json.loads(line)
        try:
            flags = 0
            for name in case["flags"]:
                flags |= getattr(re, name.split(".")[1])
            regex = re.compile(case["pattern"], flags)
            subject = case["subject"]
            units = utf16_offsets(subject)
            found = list(regex.finditer(subject)) if case["global"] else [m for m in [regex.search(subject)] if m]
            matches = []
            for m in found:
                row = []
                for g in range(regex.groups + 1):
                    s, e = m.span(g)
                    row += [units[s], units[e]] if s >= 0 else [-1, -1]
                matches.append(row)
            answer = {"matches": matches}
            if case.get("replacement") is not None:
                repl = case["replacement"]
                if case.get("replacementIsCode"):
                    repl = eval(repl)
                answer["replaced"] = regex.sub(repl, subject, count=0 if case["global"] else 1)
            out.append(json.dumps(answer))
        except Exception as e:  # a pattern the engine refuses is an answer too
            out.append(json.dumps({"error": repr(e)}))
    sys.stdout.write("".join(line + "\n" for line in out))


main()
