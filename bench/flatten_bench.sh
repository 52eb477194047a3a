#!/usr/bin/env bash
# The fast-start self-contained join of two ~1 GiB movies, side by side with `cat a b > out`
# (the floor: the same bytes through the page cache; and with a flush, as the tool flushes its
# output before renaming it into place) and FFmpeg's concat demuxer with stream
# copy and +faststart. Runs are interleaved; the report gives medians, ratios and peak memory.
# Targets: within 1.15x of cat, at least 2.5x faster than FFmpeg, peak under 64 MiB, and the
# joined movie's video and audio packets byte-identical to the inputs'.
#
# Usage: bench/flatten_bench.sh [path to clipchain] [runs]
# Environment: BENCH_DIR (default /tmp/tvx_bench) holds the inputs and the outputs; use a
# release build of the tool (sanitizers distort both time and memory). BASELINE, a path to
# another clipchain (an earlier build), adds it to the same interleaved runs.
set -euo pipefail

tool=${1:-build/clipchain}
runs=${2:-5}
dir=${BENCH_DIR:-/tmp/tvx_bench}/flatten
mkdir -p "$dir"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/bench_lib.sh"
# The shared helper, renamed, so that this script can wrap it.
eval "measure_timed() $(declare -f measure | tail -n +2)"

if [ ! -s "$dir/a.mov" ]; then
  echo "making a 3-minute 1080p input (H.264 at ~47 Mb/s + AAC)..." >&2
  ffmpeg -hide_banner -loglevel error -nostdin -y \
    -f lavfi -i "testsrc2=size=1920x1080:rate=30" -f lavfi -i "sine=frequency=440:sample_rate=48000" \
    -t 180 -c:v libx264 -preset ultrafast -b:v 47M -minrate 47M -maxrate 47M -bufsize 10M -g 60 \
    -c:a aac -b:a 192k "$dir/a.mov"
fi
# The second input only has to be another file of the same kind.
[ -s "$dir/b.mov" ] || cp "$dir/a.mov" "$dir/b.mov"
printf "file '%s'\nfile '%s'\n" "$dir/a.mov" "$dir/b.mov" > "$dir/list.txt"
cat "$dir/a.mov" "$dir/b.mov" > /dev/null  # warm the page cache: all three read from memory

baseline=${BASELINE:-}
# Each command starts with nothing waiting to be written and the previous output's removal
# settled: otherwise a flush inside the timed region (the tool's, or cat + sync's) also waits
# for the previous command's gigabytes, and whichever command follows a removal pays for it.
measure() { sync; sleep 1; measure_timed "$@"; }
# Every output is removed right after its run, so that no command pays for removing another's.
for ((r = 0; r < runs; r++)); do
  measure "clipchain" "$tool" -q -self-contained "$dir/a.mov" "$dir/b.mov" -o "$dir/out_tvx.mov"
  rm -f "$dir/out_tvx.mov"
  if [ -n "$baseline" ]; then
    measure "baseline" "$baseline" -q -self-contained "$dir/a.mov" "$dir/b.mov" -o "$dir/out_base.mov"
    rm -f "$dir/out_base.mov"
  fi
  measure "cat" sh -c 'cat "$1" "$2" > "$3"' sh "$dir/a.mov" "$dir/b.mov" "$dir/out_cat.mov"
  rm -f "$dir/out_cat.mov"
  # The tool flushes its output before renaming it into place; this is cat with the same flush.
  measure "cat + sync" sh -c 'cat "$1" "$2" > "$3" && sync "$3"' sh "$dir/a.mov" "$dir/b.mov" "$dir/out_cat.mov"
  rm -f "$dir/out_cat.mov"
  measure "ffmpeg concat" ffmpeg -hide_banner -loglevel error -nostdin -y -f concat -safe 0 \
    -i "$dir/list.txt" -c copy -movflags +faststart "$dir/out_ffmpeg.mov"
  rm -f "$dir/out_ffmpeg.mov"
done

report "clipchain"
[ -z "$baseline" ] || report "baseline"
report "cat"
report "cat + sync"
report "ffmpeg concat"
ratio "clipchain" "cat"
ratio "clipchain" "cat + sync"
ratio "ffmpeg concat" "clipchain"
[ -z "$baseline" ] || ratio "baseline" "clipchain"
echo "targets: clipchain / cat <= 1.15; ffmpeg concat / clipchain >= 2.5; clipchain peak < 64 MiB"

# Stored samples of the join, in order, against the inputs' (-ignore_editlist: every sample the
# files hold, whatever their edit lists show; -c copy: the bytes themselves).
"$tool" -q -self-contained "$dir/a.mov" "$dir/b.mov" -o "$dir/out_tvx.mov"
packets() { ffmpeg -hide_banner -loglevel error -nostdin -ignore_editlist 1 -i "$1" -map "0:$2:0" \
  -c copy -f framemd5 - | grep -v '^#' | awk -F', *' '{ print $6 }'; }
for kind in v a; do
  differing=$(diff <(packets "$dir/out_tvx.mov" "$kind") \
                   <(packets "$dir/a.mov" "$kind"; packets "$dir/b.mov" "$kind") | grep -c '^[<>]' || true)
  echo "stream $kind: $differing packet lines differ from the inputs'"
done
