#!/usr/bin/env python3
"""Prints the test ratio and fails when it is over the limit of 0.35.

The ratio is the code lines under tests/ against the code lines everywhere else but docs/, .ci/ and
abi/: lines neither blank nor // comments, in the tracked .h .c .cpp .cmake .f90 .py .sh and
CMakeLists.txt files. Run from anywhere inside the repository.
"""
import re
import subprocess
import sys

LIMIT = 0.35
COUNTED = re.compile(r"(\.(h|c|cpp|cmake|f90|py|sh)|CMakeLists\.txt)$")
NOT_CODE = re.compile(r"^(docs|\.ci|abi)/")
# As grep -E '^[[:space:]]*(//.*)?$' sees a line in the C locale.
BLANK_OR_COMMENT = re.compile(rb"^[ \t\n\v\f\r]*(//.*)?$")


def code_lines(path):
    with open(path, "rb") as f:
        lines = f.read().split(b"\n")
    if lines[-1] == b"":
        lines.pop()
    return sum(1 for line in lines if not BLANK_OR_COMMENT.match(line))


def main():
    root = subprocess.run(["git", "rev-parse", "--show-toplevel"], check=True,
                          capture_output=True, text=True).stdout.strip()
    files = subprocess.run(["git", "-C", root, "ls-files", "-z"], check=True,
                           capture_output=True, text=True).stdout.split("\0")
    tests = code = 0
    for path in files:
        if not COUNTED.search(path) or NOT_CODE.match(path):
            continue
        lines = code_lines(f"{root}/{path}")
        if path.startswith("tests/"):
            tests += lines
        else:
            code += lines
    ratio = tests / code
    print(f"test ratio: {tests} lines of tests against {code} of code: {ratio:.3f} "
          f"(at most {LIMIT})")
    return 0 if ratio <= LIMIT else 1


if __name__ == "__main__":
    sys.exit(main())
