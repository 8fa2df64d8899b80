#!/usr/bin/env bash
# How ctest starts a Windows test program: under Wine, in the prefix and on
# the display that test-windows.sh made.
exec /usr/lib/wine/wine64 "$@"
