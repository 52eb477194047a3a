#!/bin/sh
# Builds the movie reader fuzzer with clang's libFuzzer (not part of the normal build).
#   fuzz/build.sh [output dir]      then      <dir>/movie_reader_fuzzer fuzz/corpus
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=${1:-"$root/build-fuzz"}
cxx=${CXX_FUZZ:-clang++}
if ! command -v "$cxx" >/dev/null 2>&1; then
  echo "fuzz/build.sh: $cxx not found; the fuzzer needs clang with libFuzzer" >&2
  exit 1
fi
mkdir -p "$out"
"$cxx" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I "$root" \
  "$here/movie_reader_fuzzer.cpp" \
  "$root"/platform/read/*.cpp \
  "$root/platform/io/atom_header.cpp" \
  "$root/platform/model/sample_table.cpp" \
  "$root/platform/model/movie_model.cpp" \
  -lz -o "$out/movie_reader_fuzzer"
echo "$out/movie_reader_fuzzer"
