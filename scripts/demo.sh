#!/bin/sh
# The main job on this build: the station's evaluation of the named white points.
set -eu
cli="${1:-build}/src/cli/halvo-cli"
for source in A D65 E; do
  echo "== halvo-cli color source $source"
  "$cli" color source "$source"
  echo
done
echo "== halvo-cli color kelvin 9300"
"$cli" color kelvin 9300
