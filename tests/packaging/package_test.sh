#!/bin/sh
# The Debian package, built with CPack from this build tree, unpacked into a scratch root and run
# from there: the programs must find their libraries, the simulated station's stand-ins and
# their own version without the build tree.
#
# usage: package_test.sh <build dir> <version> <gui ON|OFF> <C compiler> [C flags...]
set -eu

build=$1
version=$2
gui=$3
cc=$4
shift 4
# The probe's compiler flags (the sanitizers' in that build); "$@" is reused below.
probe_flags="$*"

scratch=$(mktemp -d /tmp/halvo-package-test-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
scratch=$(cd "$scratch" && pwd -P)

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# --- the package -------------------------------------------------------------------------------
if ! (cd "$build" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1); then
    cat "$scratch/cpack.log" >&2
    fail "cpack could not build the package"
fi
set -- "$scratch"/out/halvo_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "expected one halvo_*.deb, found: $*"
deb=$1
echo "package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"

[ "$(dpkg-deb -f "$deb" Package)" = halvo ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version), expected $version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
case "$depends" in *libc6*) ;; *) fail "no libc6 among the dependencies" ;; esac
if [ "$gui" = ON ]; then
    for lib in libqt6widgets6 libqt6gui6 libasound2; do
        case "$depends" in *"$lib"*) ;; *) fail "no $lib among the dependencies" ;; esac
    done
fi

dpkg-deb -e "$deb" "$scratch/control"
for script in postinst postrm; do
    [ -x "$scratch/control/$script" ] || fail "$script missing or not executable"
    sh -n "$scratch/control/$script" || fail "$script does not parse"
done
grep -q 'addgroup --system' "$scratch/control/postinst" || fail "postinst creates no group"

# --- unpacked into a scratch root ----------------------------------------------------------------
root="$scratch/root"
dpkg -x "$deb" "$root"
need() {
    found=$(cd "$root" && find . -path "./$1" | head -n 1)
    [ -n "$found" ] || fail "the package has no $1"
}
need usr/bin/halvo-cli
need usr/bin/halvo-sim
need 'usr/lib*/libvantrel.so'
need 'usr/lib*/pkgconfig/vantrel.pc'
need usr/include/vantrel/vantrel.h
need usr/include/vantrel/pelko_core_abi.h
for standin in pelko_core kmsecs200 i1d3SDK dccmtr; do
    need "usr/lib*/halvo/standins/lib$standin.so"
done
need 'usr/lib*/halvo/libhalvo_simbridge.so'
need 'usr/lib*/halvo/vendor'
need usr/share/man/man1/halvo-cli.1
need usr/lib/udev/rules.d/60-halvo-serial.rules
if [ "$gui" = ON ]; then
    need usr/bin/halvo
    need usr/share/man/man1/halvo.1
    need usr/share/applications/halvo.desktop
    need usr/share/icons/hicolor/scalable/apps/halvo.svg
    for sound in Error Success Fail; do
        need "usr/share/halvo/sounds/$sound.wav"
    done
fi
grep -q 'GROUP="halvo"' "$root/usr/lib/udev/rules.d/60-halvo-serial.rules" || fail "the udev rule names no group"

# --- run from there, away from the build tree ----------------------------------------------------
work="$scratch/work"
mkdir "$work"
cd "$work"
unset LD_LIBRARY_PATH HALVO_VENDOR_PATH HALVO_EXTRA_PORTS || true
cli="$root/usr/bin/halvo-cli"

out=$("$cli" --version)
[ "$out" = "halvo-cli $version" ] || fail "halvo-cli --version said '$out'"

# The PELKO search loads the core library's stand-in by name: it must come from the package, as
# must every library of our own (the loader names each as it initialises it).
LD_DEBUG=libs "$cli" pelko-search --simulate >"$scratch/search.out" 2>"$scratch/search.ld" ||
    { cat "$scratch/search.out" "$scratch/search.ld" >&2; fail "pelko-search --simulate"; }
grep -q "^0  " "$scratch/search.out" || fail "pelko-search listed no device: $(cat "$scratch/search.out")"
loaded() {
    grep -q "calling init: $root/usr/[^ ]*$1\$" "$scratch/search.ld" || fail "$1 was not loaded from the package"
}
loaded halvo/standins/libpelko_core.so
loaded libvantrel.so
loaded halvo/libhalvo_simbridge.so
if grep "calling init: $build" "$scratch/search.ld" >&2; then
    fail "the installed halvo-cli loaded files from the build tree"
fi

"$cli" measure --simulate --count 2 >"$scratch/measure.out" || fail "measure --simulate"
[ "$(grep -c ' Lv ' "$scratch/measure.out")" -eq 2 ] || fail "measure printed: $(cat "$scratch/measure.out")"

"$root/usr/bin/halvo-sim" --help | grep -q "usage: halvo-sim" || fail "halvo-sim --help"
if [ "$gui" = ON ]; then
    out=$("$root/usr/bin/halvo" --version)
    [ "$out" = "halvo $version" ] || fail "halvo --version said '$out'"
fi

# --- a program built against the installed Vantrel, found through its pkg-config file -----------
pcdir=$(dirname "$(find "$root/usr" -name vantrel.pc | head -n 1)")
libdir=$(dirname "$pcdir")
export PKG_CONFIG_PATH="$pcdir"
pcversion=$(pkg-config --modversion vantrel)
cat >"$scratch/probe.c" <<'PROBE'
#include <stdio.h>
#include <vantrel/vantrel.h>

int main(void) {
    uint16_t major = 0, minor = 0, build = 0;
    int32_t status = PELKO_GetRadioExDLLVersion(&major, &minor, &build);
    printf("%d %u.%u.%u\n", (int)status, major, minor, build);
    return status == VANTREL_OK ? 0 : 1;
}
PROBE
# shellcheck disable=SC2046,SC2086
"$cc" $probe_flags -std=c99 -Wall -Werror $(pkg-config --cflags vantrel) "$scratch/probe.c" -o "$scratch/probe" \
    $(pkg-config --libs vantrel) "-Wl,-rpath,$libdir" || fail "a C program does not build against vantrel.h"
out=$("$scratch/probe") || fail "the probe's version query failed: $out"
[ "$out" = "0 $pcversion" ] || fail "Vantrel reports '$out', its pkg-config file $pcversion"

echo "package installs and runs from $root"
