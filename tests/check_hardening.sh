#!/usr/bin/env bash
# Checks the built library for the hardening of an optimised build: stack protector, fortified
# libc calls, full RELRO with immediate binding, and a non-executable stack.
# Argument: the shared library.
set -euo pipefail
library=$1
failures=0
fail() { echo "not hardened: $1" >&2; failures=$((failures + 1)); }

program_headers=$(readelf -lW "$library")
dynamic=$(readelf -dW "$library")
undefined=$(nm -D --undefined-only "$library")

grep -q 'GNU_RELRO' <<<"$program_headers" || fail "no RELRO segment"
grep -Eq '\(BIND_NOW\)|\(FLAGS_1\).*NOW' <<<"$dynamic" || fail "lazy binding (no BIND_NOW)"
grep -E 'GNU_STACK' <<<"$program_headers" | grep -q 'RWE' && fail "executable stack"
grep -q 'GNU_STACK' <<<"$program_headers" || fail "no GNU_STACK note (stack executable by default)"
grep -q '__stack_chk_fail' <<<"$undefined" || fail "no stack protector"
grep -Eq '__[a-z]+_chk' <<<"$(grep -v __stack_chk_fail <<<"$undefined")" || fail "no fortified libc call"

[ "$failures" -eq 0 ] && echo "hardened: $library"
exit "$failures"
