#!/usr/bin/env bash
# Checks an optimised library or DLL for the hardening cmake/TervoxLogHardening.cmake asks for.
set -euo pipefail
library=$1
failures=0
fail() { echo "not hardened: $1" >&2; failures=$((failures + 1)); }
skip() { echo "skipped: $1"; }

# Fails unless each frame of a page or more moves the stack pointer a page at a time, each step
# followed by a line matching $2 (without $2: through a register, after a probe routine). $2 goes by
# ENVIRON: "awk -v" undoes its backslashes in gawk, not in mawk.
check_stack_probes() {
  local findings
  # shellcheck disable=SC2016 # an awk program, not an expansion
  findings=$("$1" -d --no-show-raw-insn -C "$library" | touch="${2:-}" "${AWK:-awk}" '
    /^[0-9a-f]+ <.*>:$/ { name = $0; sub(/^[0-9a-f]+ </, "", name); sub(/>:$/, "", name) }
    stepped && $0 !~ ENVIRON["touch"] { print "a page step unprobed in " name }
    { stepped = 0 }
    ENVIRON["touch"] != "" && /sub +\$0x1000,%rsp$/ { stepped = 1; next }
    # A negative step (sub $0xffffffffffffff80) gives room back.
    /sub +\$0x[0-9a-f][0-9a-f][0-9a-f][0-9a-f]+,%rsp$/ && !/\$0xffffffff/ { print "a frame unprobed in " name }')
  [ -z "$findings" ] || fail "stack not probed page by page: ${findings//$'\n'/; }"
}

check_elf() {
  local program_headers dynamic undefined producers
  program_headers=$(readelf -lW "$library")
  dynamic=$(readelf -dW "$library")
  undefined=$(nm -D --undefined-only "$library")

  grep -q 'GNU_RELRO' <<<"$program_headers" || fail "no RELRO segment"
  grep -Eq '\(BIND_NOW\)|\(FLAGS_1\).*NOW' <<<"$dynamic" || fail "lazy binding (no BIND_NOW)"
  grep 'GNU_STACK' <<<"$program_headers" | grep -qv 'RWE' ||
    fail "executable stack (RWE or no GNU_STACK note)"
  grep -q '__stack_chk_fail' <<<"$undefined" || fail "no stack protector"
  grep -Eq '__[a-z]+_chk' <<<"$(grep -v __stack_chk_fail <<<"$undefined")" ||
    fail "no fortified libc call"
  # GCC probes with "or $0x0,(%rsp)", Clang with "mov". Small frames show no probes: where the
  # debug information records switches, the flag must be among them (the catalogue's unit lacks it).
  # shellcheck disable=SC2016 # a regular expression, not an expansion
  check_stack_probes objdump '(or|mov)q? +\$0x0,(0x[0-9a-f]+)?\(%rsp\)$'
  producers=$(readelf --debug-dump=info "$library" | grep 'DW_AT_producer.* -f' || true)
  [ -n "$producers" ] || skip "stack clash protection in the compile units: no switches recorded"
  [ -z "$producers" ] || grep -q -- '-fstack-clash-protection' <<<"$producers" ||
    fail "no compile unit built with -fstack-clash-protection"
}

check_pe() {
  local objdump=x86_64-w64-mingw32-objdump headers characteristics
  command -v "$objdump" >/dev/null || objdump=objdump
  headers=$("$objdump" -p "$library")
  characteristics=$(sed -n '/^DllCharacteristics/,/^[A-Za-z]/p' <<<"$headers")
  grep -qw 'DYNAMIC_BASE' <<<"$characteristics" || fail "no address space randomisation"
  grep -qw 'HIGH_ENTROPY_VA' <<<"$characteristics" || fail "no randomisation above 4 GiB"
  grep -qw 'NX_COMPAT' <<<"$characteristics" || fail "data executable (no NX_COMPAT)"
  grep -qw '__stack_chk_fail' <<<"$headers" || fail "no stack protector"
  # Windows grows a stack only through its guard page: big frames call ___chkstk_ms first.
  check_stack_probes "$objdump"
  skip "RELRO, immediate binding and the stack's GNU_STACK note: ELF only"
  skip "fortified libc calls: glibc's; the DLL calls the Microsoft C runtime"
}

case "$(head -c 4 "$library" | od -An -tx1 | tr -d ' \n')" in
  7f454c46) check_elf ;;
  4d5a*) check_pe ;;
  *) fail "neither an ELF shared object nor a DLL" ;;
esac

[ "$failures" -eq 0 ] && echo "hardened: $library"
exit "$failures"
