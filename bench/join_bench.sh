#!/usr/bin/env bash
# Joining many short movies by reference: `clipchain -q in001.mov ... -o out.mov` for 25, 50,
# 100 and 200 one-minute inputs (64x64 30 fps H.264 + AAC). The time should grow linearly with
# the number of inputs, and 200 inputs should take under 2 s.
#
# Usage: bench/join_bench.sh [path to clipchain] [runs]
# Environment: BENCH_DIR (default /tmp/tvx_bench) holds the inputs and the outputs.
set -euo pipefail

tool=${1:-build/clipchain}
runs=${2:-5}
dir=${BENCH_DIR:-/tmp/tvx_bench}/join
mkdir -p "$dir"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/bench_lib.sh"

if [ ! -s "$dir/in200.mov" ]; then
  echo "making 200 one-minute inputs..." >&2
  ffmpeg -hide_banner -loglevel error -nostdin -y \
    -f lavfi -i "testsrc2=size=64x64:rate=30:duration=60" \
    -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=60" \
    -c:v libx264 -preset ultrafast -x264-params bframes=2:keyint=60 -threads 1 -b:v 40k \
    -c:a aac -b:a 24k -ac 1 -fflags +bitexact -flags +bitexact "$dir/one.mov"
  # Separate files (not links), so each is its own data reference.
  for i in $(seq -w 1 200); do cp "$dir/one.mov" "$dir/in$(printf %03d "$((10#$i))").mov"; done
fi
cat "$dir"/in*.mov > /dev/null

counts=(25 50 100 200)
for ((r = 0; r < runs; r++)); do
  for n in "${counts[@]}"; do
    files=()
    for ((i = 1; i <= n; i++)); do files+=("$dir/in$(printf %03d "$i").mov"); done
    measure "join $n" "$tool" -q "${files[@]}" -o "$dir/out$n.mov"
  done
done

for n in "${counts[@]}"; do report "join $n"; done
for n in "${counts[@]}"; do
  t=$(echo "${bench_times["join $n"]}" | median)
  printf "join %3d: %6.2f ms per input\n" "$n" "$(echo "$t * 1000 / $n" | bc -l)"
done
echo "target: linear in the number of inputs; join 200 < 2 s"
