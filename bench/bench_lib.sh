# Shared by the benchmark scripts: run a command, record its wall time and peak memory, and
# print medians. Runs of different commands are interleaved by the caller so that drift in the
# machine's load affects all of them alike.

declare -A bench_times bench_peaks

# measure <label> <command...>: runs it once, appends "seconds" and "peak KiB" to the label.
measure() {
  local label=$1
  shift
  local stats
  stats=$(mktemp)
  local start=$EPOCHREALTIME
  /usr/bin/time -f "%M" -o "$stats" "$@" > /dev/null
  local end=$EPOCHREALTIME
  bench_times[$label]+="$(echo "$end - $start" | bc -l) "
  bench_peaks[$label]+="$(cat "$stats") "
  rm -f "$stats"
}

median() {
  tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ v[NR] = $1 } END {
    if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# report <label>: median seconds and median peak memory.
report() {
  local t m
  t=$(echo "${bench_times[$1]}" | median)
  m=$(echo "${bench_peaks[$1]}" | median)
  printf "%-24s median %8.3f s   peak %7.1f MiB   (runs: %s)\n" "$1" "$t" "$(echo "$m / 1024" | bc -l)" \
    "$(echo "${bench_times[$1]}" | wc -w)"
}

# ratio <a> <b>: median of a over median of b.
ratio() {
  local a b
  a=$(echo "${bench_times[$1]}" | median)
  b=$(echo "${bench_times[$2]}" | median)
  printf "%s / %s = %.3f\n" "$1" "$2" "$(echo "$a / $b" | bc -l)"
}
