#!/usr/bin/env bash
# How ctest starts a Windows test program: under Wine, in the prefix and on
# the display that test-windows.sh gave the ctest run. A test's log goes
# through a file: Wine hands QtTest's own output to no one.
program=$1
case "$(basename "$program")" in
tst_*)
    log=$(mktemp /tmp/velmora-test.XXXXXX)
    /usr/lib/wine/wine64 "$@" -o "Z:${log//\//\\},txt" >/dev/null 2>&1
    status=$?
    tr -d '\r' <"$log"
    rm -f "$log"
    exit $status
    ;;
esac
exec /usr/lib/wine/wine64 "$@"
