"""The shipped expressions for raw traces, on short and 25,000-byte lines (a trace's longest) built
to make a careless expression backtrack; no group quantified, so a backtracking engine stays linear."""
import re
import sys

patterns_path, operators_doc = sys.argv[1:3]
patterns = dict(line.rstrip("\n").split("\t") for line in open(patterns_path)
                if not line.startswith("#"))
doc = open(operators_doc, encoding="utf-8").read()
for name, pattern in patterns.items():
    assert pattern in doc, f"docs/operators.md does not show the {name} expression as shipped"
    assert not re.search(r"\)[*+?{]", pattern), f"a quantified group in {name}"
# Python spells a named group (?P<name>...).
compiled = {name: re.compile(p.replace("(?<", "(?P<")) for name, p in patterns.items()}


def long_line(start, unit, end=""):  # 25,000 bytes
    return (start + unit * 25000)[:25000 - len(end)] + end


def groups(*names):  # the groups a match must give, by name
    return lambda *values: dict(zip(names, values))


location = groups("level", "file", "function", "line")
message = groups("level", "code", "short_text", "long_text")


LONG_PATH = ("d/" * 12500)[:25000 - 22] + ".cpp"
ROWS = [
    ("location", "[UNDEF][!] [im.cpp, open:20]", location("!", "im.cpp", "open", "20")),
    ("location", "[UNDEF][?] [C:\\x, y.cpp, ns::f:-1]\r", location("?", "C:\\x, y.cpp", "ns::f", "-1")),
    ("location", "[IMPORT][!] [im.cpp, open:5]", None),
    ("location", f"[UNDEF][!] [{LONG_PATH}, f:1]", location("!", LONG_PATH, "f", "1")),
    ("location", long_line("[UNDEF][!] [", ", "), None),
    ("location", long_line("[UNDEF][!] [a, ", ":1"), None),
    ("message", "[UNDEF][!] [EC :306 ] a.par - missing - twice\r",
     message("!", "306", "a.par", "missing - twice")),
    ("message", "[UNDEF][?] [EC :1900 ] 14 of 40 - ", message("?", "1900", "14 of 40", "")),
    ("message", "[UNDEF][!] [EC :30x ] a - b", None),
    ("message", long_line("[UNDEF][?] [EC :1900 ] s - ", "x"), message("?", "1900", "s", "x" * 24973)),
    ("message", long_line("[UNDEF][!] [EC :306 ] ", "x -"), None),
]
assert all(len(line) == 25000 for _, line, _ in ROWS[3:6] + ROWS[9:])
for name, line, expected in ROWS:
    match = compiled[name].match(line)
    got = match and match.groupdict()
    assert got == expected, f"{name} on {line[:60]!r}... ({len(line)} bytes): {str(got)[:200]}"
print(f"{len(ROWS)} lines checked against {len(patterns)} expressions")
