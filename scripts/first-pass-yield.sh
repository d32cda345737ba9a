#!/bin/sh
# The first-pass yield of a full calibration of the simulated monitor: gamma, every colour space,
# every white point, then the station's own verification, once per noise seed. Prints each seed's
# items marked "OR", the yield, and the worst primary-colour difference of each limited colour
# space against its limit (the margin: limit minus worst).
#
#   scripts/first-pass-yield.sh [BUILD_DIR] [FIRST_SEED] [LAST_SEED]
#
# BUILD_DIR defaults to build-release (make bench), seeds to 1..20.
set -eu
build="$(cd "${1:-build-release}" && pwd)"
first="${2:-1}"
last="${3:-20}"
cli="$build/src/cli/halvo-cli"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

passed=0
runs=0
: > items
seed="$first"
while [ "$seed" -le "$last" ]; do
  # Exit code 1 is a verification item "OR" (or a failed run); both count against the yield.
  "$cli" calibrate --simulate --seed "$seed" --gamma --color-space all --targets all --verify \
    --report "report$seed.txt" --color-spaces Native,BT.709,SMPTE-C,EBU,NTSC,D-Cinema > "out$seed" 2>&1 || true
  runs=$((runs + 1))
  if grep -q '^Calibration completed' "out$seed" && ! grep -q ' OR$' "out$seed" && grep -q '^Primary Colors' "out$seed"; then
    passed=$((passed + 1))
    verdict="pass"
  else
    verdict="FAIL: $(grep ' OR$' "out$seed" | tr -s ' ' | sed 's/^Primary Colors //' | paste -sd ';' -)"
  fi
  printf 'seed %2d  %s\n' "$seed" "$verdict"
  # "Primary Colors  BT-709  Δv' b  0.0052  OR": space, quantity, value.
  awk -v seed="$seed" '$1 == "Primary" && $2 == "Colors" && $4 ~ /^Δ/ { print seed, $3, $4 " " $5, $6 }' "out$seed" >> items
  seed=$((seed + 1))
done

echo "first-pass yield: $passed of $runs"
# Limits of the verification: red's u' 0.006 and the rest 0.005 for BT-709, SMPTE-C and EBU;
# 0.01 throughout for NTSC.
awk '
  function limit(space, item) {
    if (space == "NTSC") return 0.01
    return item == "r" && substr($3, 1, 3) == "Δu" ? 0.006 : 0.005
  }
  $2 == "BT-709" || $2 == "SMPTE-C" || $2 == "EBU" || $2 == "NTSC" {
    key = $2 " " $3 " " $4
    if (!(key in worst) || $5 > worst[key]) { worst[key] = $5; at[key] = $1; lim[key] = limit($2, $4) }
    m = limit($2, $4) - $5
    if (!have || m < margin) { margin = m; have = 1; which = key " (seed " $1 ")" }
  }
  END {
    n = split("BT-709 SMPTE-C EBU NTSC", spaces, " ")
    for (s = 1; s <= n; ++s) {
      for (q = 1; q <= 2; ++q) {
        k = spaces[s] " " (q == 1 ? "Δu'"'"'" : "Δv'"'"'") " b"
        if (k in worst) {
          printf "%-8s %s  worst %.4f (seed %d)  limit %.4f  margin %+.4f\n", spaces[s], substr(k, length(spaces[s]) + 2),
                 worst[k], at[k], lim[k], lim[k] - worst[k]
        }
      }
    }
    printf "smallest margin of any primary: %+.4f, %s\n", margin, which
  }' items
