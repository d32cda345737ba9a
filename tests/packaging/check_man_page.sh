#!/bin/sh
# A manual page must format without a single warning from groff (which man uses).
# usage: check_man_page.sh <groff> <page.1>...
set -eu
groff=$1
shift
status=0
for page in "$@"; do
    warnings=$("$groff" -man -Tutf8 -ww -z "$page" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
        echo "$page:" >&2
        echo "$warnings" >&2
        status=1
    fi
done
exit $status
