#!/usr/bin/env bash
# Instructions (callgrind) and system calls (strace -c) per call of each operation, from the
# difference between a run of N calls and a run of none.
# Usage: count_per_call.sh WORKLOAD_BINARY [CALLS]
set -euo pipefail
workload=$1 calls=${2:-10000}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

instructions() {
  valgrind --tool=callgrind --callgrind-out-file="$scratch/out" "$workload" "$1" "$2" "$scratch" 2>&1 |
    sed -n 's/.*refs: *//p' | tr -d ,
}
syscalls() {
  strace -f -c -o "$scratch/strace" "$workload" "$1" "$2" "$scratch" >/dev/null 2>&1
  awk '$NF == "total" { print $(NF-2) }' "$scratch/strace"
}

base_ir=$(instructions none "$calls")
base_sys=$(syscalls none "$calls")
printf '%-26s %14s %14s\n' operation instructions syscalls
for op in floor_snprintf_write ostream_insertion trace_message_written snprintf_alone \
          trace_message_filtered log_message setLast getShortDescription getLastLongDescription; do
  ir=$(instructions "$op" "$calls")
  sys=$(syscalls "$op" "$calls")
  awk -v op="$op" -v ir="$ir" -v b="$base_ir" -v s="$sys" -v bs="$base_sys" -v n="$calls" \
    'BEGIN { printf "%-26s %14.0f %14.2f\n", op, (ir - b) / n, (s - bs) / n }'
done
