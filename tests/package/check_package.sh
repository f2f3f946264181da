#!/usr/bin/env bash
# Installs the built library into a temporary prefix and builds a host against it three ways:
# find_package, pkg-config and add_subdirectory. Each host must print the same bytes.
# Arguments: the build tree, the source tree, a scratch folder.
set -euo pipefail
build_dir=$1 source_dir=$2 scratch=$3
rm -rf "$scratch" && mkdir -p "$scratch"
prefix=$scratch/prefix
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

expected=$(printf '%s\n' "[HOST] hello 1" "[UNDEF][!] [consumer.cpp, main:9]" \
  "[UNDEF][!] [EC :306 ] a.par - b" "[EC : 306] File not found" "a.par")
check() {
  local how=$1 output
  output=$("${@:2}" "$scratch/$how.trace")
  if [ "$output" != "$expected" ]; then
    printf 'host built with %s printed:\n%s\n' "$how" "$output" >&2
    exit 1
  fi
  echo "ok: $how"
}

cmake -S "$source_dir/tests/package" -B "$scratch/by-package" -G Ninja \
  -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$scratch/by-package" >/dev/null
check find_package "$scratch/by-package/consumer"

pcdir=$(dirname "$(find "$prefix" -name tervox_log.pc)")
# shellcheck disable=SC2046
c++ "$source_dir/tests/package/consumer.cpp" -o "$scratch/consumer-pc" \
  $(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs tervox_log)
LD_LIBRARY_PATH=$pcdir/.. check pkg-config "$scratch/consumer-pc"

cmake -S "$source_dir/tests/package" -B "$scratch/by-subdirectory" -G Ninja \
  -DTERVOX_LOG_SOURCE_DIR="$source_dir" >/dev/null
cmake --build "$scratch/by-subdirectory" >/dev/null
[ ! -e "$scratch/by-subdirectory/tervox_log/tests" ] || { echo "subproject built its tests" >&2; exit 1; }
check add_subdirectory "$scratch/by-subdirectory/consumer"
