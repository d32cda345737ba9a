#!/bin/sh
# The main job on the built-in simulated station (halvo-cli demo): a verification of the
# uncalibrated monitor, a full automatic calibration and the verification after it. The files go
# to demo-out/ (emptied first); the demo's Config.ini stays there too, so a Config.ini of the
# checkout is neither read nor changed.
set -eu
build="${1:-build}"
out="${DEMO_OUT:-demo-out}"
cli="$(cd "$build" && pwd)/src/cli/halvo-cli"
if [ ! -x "$cli" ]; then
  echo "demo: $cli is missing; run make build first" >&2
  exit 1
fi
rm -rf "$out"
mkdir -p "$out"
status=0
(cd "$out" && "$cli" demo --out .) || status=$?
# The three runs are in the results database now, beside every earlier one.
echo
echo "Recorded in the results database (${XDG_DATA_HOME:-$HOME/.local/share}/halvo/results.sqlite):"
echo "  $build/src/cli/halvo-cli results list"
echo "  $build/src/cli/halvo-cli results yield"
exit $status
