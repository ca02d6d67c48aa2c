// Reads one case a line ({"pattern", "flags", "subject", "global", "replacement"}) and answers each with the
// matches (UTF-16 offsets of the match and its groups, -1 for a group that took no part) and the replaced
// text, doing what the JavaScript snippets do.
'use strict';
const lines = require('fs').readFileSync(0, 'utf8').split('\n');
const out = [];
for (const line of lines) {
  if (!line) continue;
  const c = JSON.parse(line);
  try {
    // The indices flag only adds where each group is; it changes no match.
    const re = new RegExp(c.pattern, c.flags + 'd');
    const found = c.global ? [...c.subject.matchAll(re)] : [re.exec(c.subject)].filter(Boolean);
    const matches = found.map(m => {
      const row = [m.index, m.index + m[0].length];
      for (let g = 1; g < m.length; ++g) {
        const span = m.indices[g];
        row.push(span ? span[0] : -1, span ? span[1] : -1);
      }
      return row;
    });
    const answer = { matches };
    if (typeof c.replacement === 'string') answer.replaced = c.subject.replace(new RegExp(c.pattern, c.flags), c.replacement);
    out.push(JSON.stringify(answer));
  } catch (e) {
    out.push(JSON.stringify({ error: String(e) }));
  }
}
process.stdout.write(out.join('\n') + (out.length ? '\n' : ''));
