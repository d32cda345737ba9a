#!/bin/sh
# Long fuzzing runs of every libFuzzer target of the sanitizer build, two at a time, each on a
# scratch copy of its seed corpus. Usage: scripts/fuzz-long.sh [seconds per target] [build dir]
# Prints one line per target: executions, corpus size and whether a crash was found; the full
# libFuzzer output stays in <build dir>/fuzz-long/<name>.log.
set -eu
seconds="${1:-600}"
build="${2:-build-asan}"
out="$build/fuzz-long"
mkdir -p "$out"
run() {
  name="$1"
  rm -rf "$out/$name.corpus" && mkdir -p "$out/$name.corpus"
  [ -d "tests/fuzz/corpus/$name" ] && cp -r "tests/fuzz/corpus/$name/." "$out/$name.corpus/"
  status=clean
  nice -n 19 "$build/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -artifact_prefix="$out/$name-" -print_final_stats=1 "$out/$name.corpus" >"$out/$name.log" 2>&1 || status=FOUND
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/$name.log" | grep -o '[0-9]*$' || echo "?")
  echo "$name: $execs executions in ${seconds} s, $(ls "$out/$name.corpus" | wc -l) corpus files, $status"
}
names=$(ls "$build/tests/fuzz" | sed -n 's/^fuzz_\([a-z0-9_]*\)$/\1/p')
set -- $names
while [ $# -gt 0 ]; do
  run "$1" &
  if [ $# -gt 1 ]; then run "$2" & shift; fi
  shift
  wait
done
