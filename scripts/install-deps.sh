#!/bin/sh
# Installs the Debian packages the build, the tests and the demo need, only those missing,
# without prompts. Runs as root on CI and fresh machines; uses sudo otherwise when it can.
# The PostgreSQL server is for the tests, which start a throwaway one of their own (as the user
# "nobody" when run as root); the results database of a station needs only its client library.
set -eu

packages="
  build-essential cmake ninja-build pkg-config ccache
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libasound2-dev
  libxlsxwriter-dev zlib1g-dev
  groff-base
  libsqlite3-dev libpq-dev postgresql
  python3-colormath python3-numpy argyll argyll-doc poppler-utils fonts-dejavu-core
"

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done

if [ -z "$missing" ]; then
  exit 0
fi

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
  run=""
elif command -v sudo >/dev/null 2>&1; then
  run="sudo"
else
  echo "These packages are missing and this is not root:$missing" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$run apt-get update -q
# shellcheck disable=SC2086
$run apt-get install -y -q --no-install-recommends $missing
