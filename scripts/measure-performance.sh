#!/bin/sh
# Reproduces the figures of docs/performance.md on this machine: start-up times, the main job's
# wall time, peak memory, and the Google Benchmark programs (kernels, .cal files, the workbook,
# the station time of each procedure). Give the build tree (default build-release, as made by
# make bench); the benchmarks run only when the tree has them (-DHALVO_BENCH=ON).
#
#   scripts/measure-performance.sh [BUILD_DIR] [RUNS]
set -eu
build="$(cd "${1:-build-release}" && pwd)"
runs="${2:-10}"
cli="$build/src/cli/halvo-cli"
gui="$build/src/gui/halvo"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

now_ns() { date +%s%N; }

# The median wall time in milliseconds of RUNS runs of a command (its output discarded).
median_ms() {
  i=0
  : > times
  while [ "$i" -lt "$runs" ]; do
    start=$(now_ns)
    "$@" > /dev/null 2>&1 || true
    end=$(now_ns)
    echo $(( (end - start) / 1000 )) >> times
    i=$((i + 1))
  done
  sort -n times | awk '{ a[NR] = $1 } END { m = (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2; printf "%.1f ms\n", m / 1000 }'
}

# Peak resident memory of one run, from GNU time.
peak_mb() {
  /usr/bin/time -v "$@" 2> rss > /dev/null || true
  awk -F: '/Maximum resident set size/ { printf "%.0f MB\n", $2 / 1024 }' rss
}

echo "== start-up (median of $runs runs)"
printf '%-52s %s\n' "halvo-cli --version" "$(median_ms "$cli" --version)"
printf '%-52s %s\n' "halvo-cli ports" "$(median_ms "$cli" ports)"
printf '%-52s %s\n' "halvo-cli identify --simulate (to identified)" "$(median_ms "$cli" identify --simulate)"
if [ -x "$gui" ]; then
  export QT_QPA_PLATFORM=offscreen HALVO_EXIT_WHEN_READY=1
  printf '%-52s %s\n' "halvo, offscreen, to the window shown" "$(median_ms "$gui")"
  printf '%-52s %s\n' "halvo --simulate, offscreen, to the window shown" "$(median_ms "$gui" --simulate)"
  unset HALVO_EXIT_WHEN_READY
fi

echo "== main job: halvo-cli demo (median of 3 runs)"
runs=3
printf '%-52s %s\n' "halvo-cli demo" "$(median_ms "$cli" demo --out "$scratch/demo")"
"$cli" demo --out "$scratch/demo" | grep -E "^(Station time|Wall time)"

echo "== peak memory (maximum resident set size)"
printf '%-52s %s\n' "halvo-cli --version" "$(peak_mb "$cli" --version)"
printf '%-52s %s\n' "halvo-cli demo" "$(peak_mb "$cli" demo --out "$scratch/demo")"
printf '%-52s %s\n' "halvo-cli calibrate --simulate --gamma --color-space all" \
  "$(peak_mb "$cli" calibrate --simulate --gamma --color-space all --out "$scratch")"
if [ -x "$gui" ]; then
  export HALVO_EXIT_WHEN_READY=1
  printf '%-52s %s\n' "halvo --simulate, offscreen, to the window shown" "$(peak_mb "$gui" --simulate)"
  unset HALVO_EXIT_WHEN_READY
fi

if [ -d "$build/bench" ]; then
  for b in "$build"/bench/halvo_bench_*; do
    echo "== $(basename "$b")"
    "$b" --benchmark_counters_tabular=true 2>/dev/null
  done
else
  echo "== no benchmarks in $build (configure with -DHALVO_BENCH=ON, or run make bench)"
fi
