// Reads one case a line ({"pattern", "flags", "subject", "global", "replacement", "pieces"}) and answers each
// with the matches (UTF-16 offsets of the match and its groups, -1 for a group that took no part) and the
// replaced text, doing what the Java snippets do. Run as "java Runner.java".
import java.io.BufferedReader;
import java.io.InputStreamReader;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.Objects;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

public class Runner {
    // A small JSON reader: objects, arrays, strings (lone surrogates kept), numbers, true, false, null.
    static final class Json {
        final String s;
        int i;
        Json(String s) { this.s = s; }
        void space() { while (i < s.length() && Character.isWhitespace(s.charAt(i))) i++; }
        Object value() {
            space();
            char c = s.charAt(i);
            if (c == '{') {
                Map<String, Object> m = new LinkedHashMap<>();
                i++; space();
                if (s.charAt(i) == '}') { i++; return m; }
                while (true) {
                    space(); String k = (String) value(); space(); i++; // ':'
                    m.put(k, value()); space();
                    if (s.charAt(i++) == '}') return m;
                }
            }
            if (c == '[') {
                List<Object> l = new ArrayList<>();
                i++; space();
                if (s.charAt(i) == ']') { i++; return l; }
                while (true) {
                    l.add(value()); space();
                    if (s.charAt(i++) == ']') return l;
                }
            }
            if (c == '"') {
                StringBuilder b = new StringBuilder();
                i++;
                while (true) {
                    char d = s.charAt(i++);
                    if (d == '"') return b.toString();
                    if (d != '\\') { b.append(d); continue; }
                    char e = s.charAt(i++);
                    switch (e) {
                        case 'n': b.append('\n'); break;
                        case 'r': b.append('\r'); break;
                        case 't': b.append('\t'); break;
                        case 'b': b.append('\b'); break;
                        case 'f': b.append('\f'); break;
                        case 'u': b.append((char) Integer.parseInt(s.substring(i, i + 4), 16)); i += 4; break;
                        default: b.append(e);
                    }
                }
            }
            if (s.startsWith("true", i)) { i += 4; return Boolean.TRUE; }
            if (s.startsWith("false", i)) { i += 5; return Boolean.FALSE; }
            if (s.startsWith("null", i)) { i += 4; return null; }
            int from = i;
            while (i < s.length() && "+-.eE0123456789".indexOf(s.charAt(i)) >= 0) i++;
            return Double.parseDouble(s.substring(from, i));
        }
    }

    static String quote(String t) {
        StringBuilder b = new StringBuilder("\"");
        for (int k = 0; k < t.length(); k++) {
            char c = t.charAt(k);
            if (c == '"' || c == '\\') b.append('\\').append(c);
            else if (c < 0x20 || Character.isSurrogate(c)) b.append(String.format("\\u%04x", (int) c));
            else b.append(c);
        }
        return b.append('"').toString();
    }

    // What the generated replacement function returns for a match.
    static String expand(List<Object> pieces, Matcher m, String text) {
        StringBuilder b = new StringBuilder();
        for (Object o : pieces) {
            List<?> p = (List<?>) o;
            switch ((String) p.get(0)) {
                case "text": b.append((String) p.get(1)); break;
                case "group": b.append(Objects.toString(m.group(((Double) p.get(1)).intValue()), "")); break;
                case "before": b.append(text, 0, m.start()); break;
                default: b.append(text.substring(m.end()));
            }
        }
        return b.toString();
    }

    public static void main(String[] args) throws Exception {
        BufferedReader in = new BufferedReader(new InputStreamReader(System.in, StandardCharsets.UTF_8));
        PrintStream out = new PrintStream(System.out, false, StandardCharsets.UTF_8);
        String line;
        while ((line = in.readLine()) != null) {
            if (line.isEmpty()) continue;
            @SuppressWarnings("unchecked")
            Map<String, Object> c = (Map<String, Object>) new Json(line).value();
            try {
                int flags = 0;
                for (Object f : (List<?>) c.get("flags"))
                    if (f.equals("Pattern.CASE_INSENSITIVE")) flags |= Pattern.CASE_INSENSITIVE;
                Pattern p = Pattern.compile((String) c.get("pattern"), flags);
                String text = (String) c.get("subject");
                boolean global = (Boolean) c.get("global");
                Matcher m = p.matcher(text);
                StringBuilder rows = new StringBuilder("[");
                while (m.find()) {
                    if (rows.length() > 1) rows.append(',');
                    rows.append('[');
                    for (int g = 0; g <= m.groupCount(); g++) {
                        if (g > 0) rows.append(',');
                        rows.append(m.start(g)).append(',').append(m.end(g));
                    }
                    rows.append(']');
                    if (!global) break;
                }
                rows.append(']');
                String answer = "{\"matches\": " + rows;
                if (c.get("replacement") != null) {
                    Matcher r = p.matcher(text);
                    String replaced;
                    if (Boolean.TRUE.equals(c.get("replacementIsCode"))) {
                        @SuppressWarnings("unchecked")
                        List<Object> pieces = (List<Object>) c.get("pieces");
                        replaced = global ? r.replaceAll(x -> Matcher.quoteReplacement(expand(pieces, r, text)))
                                          : r.replaceFirst(x -> Matcher.quoteReplacement(expand(pieces, r, text)));
                    } else {
                        String t = (String) c.get("replacement");
                        replaced = global ? r.replaceAll(t) : r.replaceFirst(t);
                    }
                    answer += ", \"replaced\": " + quote(replaced);
                }
                out.println(answer + "}");
            } catch (Exception e) {
                out.println("{\"error\": " + quote(String.valueOf(e)) + "}");
            }
        }
        out.flush();
    }
}
