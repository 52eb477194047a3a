# Shared by the benchmark scripts: run a command, record its wall time, CPU time (user + system)
# and peak memory, and print medians. On a shared machine the CPU time is the steadier figure. Runs of different commands are interleaved by the caller so that drift in the
# machine's load affects all of them alike.

declare -A bench_times bench_cpu bench_peaks

# measure <label> <command...>: runs it once, appends "seconds" and "peak KiB" to the label.
measure() {
  local label=$1
  shift
  local stats
  stats=$(mktemp)
  local start=$EPOCHREALTIME
  /usr/bin/time -f "%U %S %M" -o "$stats" "$@" > /dev/null
  local end=$EPOCHREALTIME
  local user sys peak
  read -r user sys peak < "$stats"
  bench_times[$label]+="$(echo "$end - $start" | bc -l) "
  bench_cpu[$label]+="$(echo "$user + $sys" | bc -l) "
  bench_peaks[$label]+="$peak "
  rm -f "$stats"
}

median() {
  tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ v[NR] = $1 } END {
    if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# report <label>: median wall seconds, CPU seconds and peak memory.
report() {
  local t c m
  t=$(echo "${bench_times[$1]}" | median)
  c=$(echo "${bench_cpu[$1]}" | median)
  m=$(echo "${bench_peaks[$1]}" | median)
  printf "%-16s median wall %7.3f s  cpu %7.3f s  peak %7.1f MiB  (runs: %s)\n" "$1" "$t" "$c" \
    "$(echo "$m / 1024" | bc -l)" "$(echo "${bench_times[$1]}" | wc -w)"
}

# ratio <a> <b>: medians of a over medians of b, wall and CPU.
ratio() {
  local aw bw ac bc_
  aw=$(echo "${bench_times[$1]}" | median)
  bw=$(echo "${bench_times[$2]}" | median)
  ac=$(echo "${bench_cpu[$1]}" | median)
  bc_=$(echo "${bench_cpu[$2]}" | median)
  printf "%s / %s: wall %.3f, cpu %.3f\n" "$1" "$2" "$(echo "$aw / $bw" | bc -l)" \
    "$(echo "$ac / $bc_" | bc -l)"
}
