#!/usr/bin/env bash
# tervox-errors explain over a campaign's traces against grep -c over the same files: wall time
# (median of RUNS, page cache warm) and peak memory, from /usr/bin/time. Not a test.
# Usage: explain_campaign.sh TERVOX_ERRORS [FILES] [SIZE_PER_FILE] [RUNS] [LINES_PER_RECORD]
# SIZE_PER_FILE: megabytes, or kilobytes with a K (3K). LINES_PER_RECORD: a record (two lines)
# every that many lines of other categories; 0 for traces of records alone.
set -euo pipefail
tool=$1 files=${2:-100} size=${3:-10} runs=${4:-5} every=$((${5:-19} + 1))
folder=$(mktemp -d /tmp/explain_campaign.XXXXXX)
trap 'rm -rf "$folder"' EXIT

# One job's trace: the logger's lines of other categories and, among them, records (errors and
# warnings of a few codes, at several places); copied once per job.
python3 - "$folder" "$size" "$every" "$files" <<'PY'
import shutil, sys
folder, size, every, files = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
limit = int(size[:-1]) << 10 if size.endswith("K") else int(size) << 20
path = f"{folder}/trace-00000.txt"
lines = ["[IMPORT] reading burst %d of image S1_20260101_%04d.slc\n",
         "[COREG][D] matching window %d of 4096 at offset 0x%04x\n",
         "[COREG] residual 0.0%d px over 12000 tie points, iteration %d\n",
         "[EXPORT][*] wrote tile %d of 64 to out/geocoded_%04d.tif\n"]
records = [("!", "import.cpp", "open_image", 306, "S1_20260101.par", "looked in ./input"),
           ("?", "coregister.cpp", "match_bursts", 1900, "14 of 40 windows", "burst 3 kept"),
           ("!", "export.cpp", "write_tile", 300, "tile 17", "disk quota exceeded")]
with open(path, "w") as out:
    n = 0
    while out.tell() < limit:
        n += 1
        if n % every:
            out.write(lines[n % 4] % (n % 97, n % 8191))
        else:
            level, file, function, code, short, long = records[n % 3]
            out.write(f"[UNDEF][{level}] [{file}, {function}:{100 + n % 50}]\n"
                      f"[UNDEF][{level}] [EC :{code} ] {short} - {long}\n")
for i in range(1, files):
    shutil.copyfile(path, f"{folder}/trace-{i:05d}.txt")
PY
traces=("$folder"/trace-*.txt)
printf '%s\n' "${traces[@]}" >"$folder/list"
echo "$files traces, $(du -sh "$folder" | cut -f1) in all, $(grep -c . "${traces[0]}") lines each"

# Of RUNS runs, after one that fills the page cache: the median and the least wall time, the
# median processor time (user and system) and the peak resident memory. On a shared machine the
# wall time wanders with the other processes; the least and the processor time wander less.
# Output goes to a file: GNU grep stops at its first match when it writes to /dev/null.
measure() {
  "$@" >"$folder/out" || true
  : >"$folder/times"
  for ((r = 0; r < runs; ++r)); do
    /usr/bin/time -f '%e %U %S %M' -o "$folder/time" "$@" >"$folder/out" || true
    cat "$folder/time" >>"$folder/times"
  done
  python3 - "$folder/times" <<'PY'
import statistics, sys
runs = [[float(x) for x in line.split()] for line in open(sys.argv[1])]
wall, cpu = [r[0] for r in runs], [r[1] + r[2] for r in runs]
print(f"{statistics.median(wall):.2f} {min(wall):.2f} {statistics.median(cpu):.2f} "
      f"{max(r[3] for r in runs):.0f}")
PY
}
printf '%-38s %9s %9s %9s %9s %12s\n' command 'wall s' 'least s' 'cpu s' 'peak KiB' 'x grep -c'
report() {
  local name=$1
  shift
  read -r wall least cpu kib < <(measure "$@")
  : "${grep_least:=$least}" "${grep_cpu:=$cpu}"
  printf '%-38s %9s %9s %9s %9s %12s\n' "$name" "$wall" "$least" "$cpu" "$kib" \
    "$(python3 -c "a, b, c, d = $least, $grep_least, $cpu, $grep_cpu
print(f'{a / b:.2f}, {c / d:.2f}' if b and d else '-')")"
}
report 'grep -c "\[EC :"' grep -c '\[EC :' "${traces[@]}"
report 'tervox-errors explain' "$tool" explain "${traces[@]}"
report 'tervox-errors explain --format tsv' "$tool" explain --format tsv "${traces[@]}"
report 'tervox-errors explain --format jsonl' "$tool" explain --format jsonl "${traces[@]}"
report 'tervox-errors explain --files-from' "$tool" explain --files-from "$folder/list"
[[ -z ${OLD_TOOL:-} ]] || report "before: explain" "$OLD_TOOL" explain "${traces[@]}"
