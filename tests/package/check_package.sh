#!/usr/bin/env bash
# Builds a host every way users consume tervox_log, as C++17 and C++20: each must print the same
# bytes, with its own standard left in force; and the README's Fortran program, where there is
# gfortran (or $FC). Usage: check_package.sh BUILD_DIR|--installed
# SOURCE_DIR SCRATCH (--installed: the library installed on the system, e.g. by its packages).
set -euo pipefail
build_dir=$1 source_dir=$2 scratch=$3
rm -rf "$scratch" && mkdir -p "$scratch"

check() {
  local how=$1 standard=$(($2 == 17 ? 201703 : 202002)) output expected
  expected=$(printf '%s\n' "$standard" "[HOST] hello 1" "[UNDEF][!] [consumer.cpp, main:9]" \
    "[UNDEF][!] [EC :306 ] a.par - b" "[EC : 306] File not found" "a.par")
  output=$("${@:3}" "$scratch/$how-$standard.trace")
  [ "$output" = "$expected" ] || { printf 'host built with %s printed:\n%s\n' "$how" "$output" >&2; exit 1; }
  echo "ok: $how, __cplusplus $standard"
}

with_cmake() {
  local how=$1 std=$2 folder=$scratch/$1-$2
  cmake -S "$source_dir/tests/package" -B "$folder" -G Ninja -DCMAKE_CXX_STANDARD="$std" \
    "${@:3}" >/dev/null
  cmake --build "$folder" --parallel 2 >/dev/null
  check "$how" "$std" "$folder/consumer"
}

with_pkg_config() {
  local std=$1 program=$scratch/pkg-config-$1/consumer
  mkdir -p "$(dirname "$program")"
  # shellcheck disable=SC2046,SC2086
  ${CXX:-c++} $CXXFLAGS -std="c++$std" "$source_dir/tests/package/consumer.cpp" -o "$program" \
    $(pkg-config --cflags --libs tervox_log)
  check pkg-config "$std" "$program"
}

# The README's Fortran program, through the CMake target and through pkg-config's module source.
with_fortran() {
  local folder=$scratch/fortran fc=${FC:-gfortran} program output
  command -v "$fc" >/dev/null || { echo "skipped: Fortran hosts, no $fc"; return 0; }
  cmake -S "$source_dir/tests/package" -B "$folder" -G Ninja -DTERVOX_LOG_FORTRAN_HOST=ON \
    -DCMAKE_Fortran_COMPILER="$fc" "$@" >/dev/null
  cmake --build "$folder" --parallel 2 --target fortran_host >/dev/null
  # shellcheck disable=SC2046
  "$fc" "$(pkg-config --variable=fortran_module tervox_log)" "$folder/readme_example.f90" \
    $(pkg-config --libs tervox_log) -J "$scratch" -o "$scratch/fortran_pkg_config"
  for program in "$folder/fortran_host" "$scratch/fortran_pkg_config"; do
    output=$(cd "$scratch" && "$program")
    [ "$output" = $'[EC : 306] File not found\nreference.par is missing' ] ||
      { printf '%s printed:\n%s\n' "$program" "$output" >&2; exit 1; }
  done
  echo "ok: Fortran, find_package and pkg-config"
}

if [ "$build_dir" = --installed ]; then
  for std in 17 20; do
    with_cmake find_package "$std"
    with_pkg_config "$std"
  done
  with_fortran
  exit 0
fi

prefix=$scratch/prefix
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
pcdir=$(dirname "$(find "$prefix" -name tervox_log.pc)")
for std in 17 20; do
  with_cmake find_package "$std" -DCMAKE_PREFIX_PATH="$prefix"
  PKG_CONFIG_PATH=$pcdir LD_LIBRARY_PATH=$pcdir/.. with_pkg_config "$std"
done
PKG_CONFIG_PATH=$pcdir LD_LIBRARY_PATH=$pcdir/.. with_fortran -DCMAKE_PREFIX_PATH="$prefix"
with_cmake build-tree 17 -Dtervox_log_DIR="$build_dir"
with_cmake add_subdirectory 17 -DTERVOX_LOG_SOURCE_DIR="$source_dir"
[ ! -e "$scratch/add_subdirectory-17/tervox_log/tests" ] ||
  { echo "the subproject built its tests" >&2; exit 1; }
