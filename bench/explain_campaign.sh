#!/usr/bin/env bash
# tervox-errors explain over a campaign's traces against grep -c over the same files: wall time
# (median of RUNS, page cache warm) and peak memory, from /usr/bin/time. Not a test.
# Usage: explain_campaign.sh TERVOX_ERRORS [FILES] [MB_PER_FILE] [RUNS] [LINES_PER_RECORD]
# LINES_PER_RECORD: a record (two lines) every that many lines of other categories; 0 for traces
# of records alone.
set -euo pipefail
tool=$1 files=${2:-100} mb=${3:-10} runs=${4:-5} every=$((${5:-19} + 1))
folder=$(mktemp -d /tmp/explain_campaign.XXXXXX)
trap 'rm -rf "$folder"' EXIT

# One job's trace: the logger's lines of other categories and, among them, records (errors and
# warnings of a few codes, at several places); copied once per job.
python3 - "$folder/trace-000.txt" "$mb" "$every" <<'PY'
import sys
path, megabytes, every = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
lines = ["[IMPORT] reading burst %d of image S1_20260101_%04d.slc\n",
         "[COREG][D] matching window %d of 4096 at offset 0x%04x\n",
         "[COREG] residual 0.0%d px over 12000 tie points, iteration %d\n",
         "[EXPORT][*] wrote tile %d of 64 to out/geocoded_%04d.tif\n"]
records = [("!", "import.cpp", "open_image", 306, "S1_20260101.par", "looked in ./input"),
           ("?", "coregister.cpp", "match_bursts", 1900, "14 of 40 windows", "burst 3 kept"),
           ("!", "export.cpp", "write_tile", 300, "tile 17", "disk quota exceeded")]
with open(path, "w") as out:
    n = 0
    while out.tell() < megabytes << 20:
        n += 1
        if n % every:
            out.write(lines[n % 4] % (n % 97, n % 8191))
        else:
            level, file, function, code, short, long = records[n % 3]
            out.write(f"[UNDEF][{level}] [{file}, {function}:{100 + n % 50}]\n"
                      f"[UNDEF][{level}] [EC :{code} ] {short} - {long}\n")
PY
for ((i = 1; i < files; ++i)); do cp "$folder/trace-000.txt" "$folder/trace-$(printf %03d "$i").txt"; done
traces=("$folder"/trace-*.txt)
echo "$files traces, $(du -sh "$folder" | cut -f1) in all, $(grep -c . "${traces[0]}") lines each"

# Median wall time, its user and system time, and peak resident memory of RUNS runs, after one
# run that fills the cache. Output goes to a file: GNU grep stops at its first match when it
# writes to /dev/null.
measure() {
  "$@" >"$folder/out" || true
  for ((r = 0; r < runs; ++r)); do
    /usr/bin/time -f '%e %U %S %M' -o "$folder/time" "$@" >"$folder/out" || true
    cat "$folder/time"
  done | sort -n | sed -n "$(((runs + 1) / 2))p"
}
printf '%-40s %9s %9s %9s %9s\n' command 'wall s' 'user s' 'sys s' 'peak KiB'
report() {
  local name=$1
  shift
  read -r wall user sys kib < <(measure "$@")
  printf '%-40s %9s %9s %9s %9s\n' "$name" "$wall" "$user" "$sys" "$kib"
}
report 'grep -c "\[EC :"' grep -c '\[EC :' "${traces[@]}"
report 'tervox-errors explain' "$tool" explain "${traces[@]}"
report 'tervox-errors explain --format tsv' "$tool" explain --format tsv "${traces[@]}"
report 'tervox-errors explain --format jsonl' "$tool" explain --format jsonl "${traces[@]}"
