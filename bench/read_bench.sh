#!/usr/bin/env bash
# Reading a big movie header: `cliptweak -q big.mov -o ref.mov` (read the movie, write it back as
# a reference movie) against `ffprobe -show_format -show_streams big.mov`, side by side.
# The movie: 2 hours of 64x64 60 fps H.264 with B-frames + 48 kHz AAC, about 432,000 video and
# 337,500 sound samples and a 10 MB movie atom. It is made once, outside the repository.
#
# Usage: bench/read_bench.sh [path to cliptweak] [runs]
# Environment: BENCH_DIR (default /tmp/tvx_bench) holds the movie and the outputs.
# Build the tool without sanitizers for this (e.g. -DCMAKE_BUILD_TYPE=Release).
set -euo pipefail

tool=${1:-build/cliptweak}
runs=${2:-7}
dir=${BENCH_DIR:-/tmp/tvx_bench}
big=$dir/big.mov
mkdir -p "$dir"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/bench_lib.sh"

if [ ! -s "$big" ]; then
  echo "making $big (a few minutes)..." >&2
  ffmpeg -hide_banner -loglevel error -nostdin -y \
    -f lavfi -i "testsrc2=size=64x64:rate=60:duration=7200" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=7200" \
    -c:v libx264 -preset ultrafast -x264-params bframes=2:keyint=600 -threads 1 -b:v 40k \
    -c:a aac -b:a 24k -ac 1 -fflags +bitexact -flags +bitexact "$big.tmp.mov"
  mv "$big.tmp.mov" "$big"
fi

echo "input: $big ($(stat -c %s "$big") bytes)"
# Warm the page cache so both read the header from memory.
cat "$big" > /dev/null

for ((i = 0; i < runs; i++)); do
  measure ffprobe ffprobe -v error -show_format -show_streams "$big" > /dev/null
  measure cliptweak "$tool" -q "$big" -o "$dir/ref.mov"
done

report ffprobe
report cliptweak
ratio cliptweak ffprobe
echo "target: ratio <= 0.30, cliptweak peak < 100 MiB"
