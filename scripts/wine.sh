# Shared by test-windows.sh and .ci/run: a Wine prefix made once per run, on a
# display of its own (Wine's timers never fire without one, even offscreen).
# shellcheck shell=bash

VELMORA_WINE=/usr/lib/wine/wine64

# velmora_wine_prefix DIR: makes the prefix and starts the display and a
# wineserver that stays up between programs; velmora_wine_stop ends both.
velmora_wine_prefix() {
    export WINEPREFIX=$1 WINEDEBUG=-all WINEARCH=win64
    # No Mono or Gecko downloads: nothing here needs them, and nothing is fetched.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    local display=90
    while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    VELMORA_XVFB=$!
    export DISPLAY=:$display
    local start=$SECONDS
    /usr/lib/wine/wineserver -p
    "$VELMORA_WINE" wineboot -i >/dev/null 2>&1
    # Temporary files on the Unix drive, so that the Linux tools the tests
    # start (LibreOffice, poppler) find them: see tests/support/HostTools.h.
    mkdir -p "$WINEPREFIX-temp"
    local temp="Z:${WINEPREFIX//\//\\}-temp"
    for name in TEMP TMP; do
        "$VELMORA_WINE" reg add 'HKCU\Environment' /v $name /d "$temp" /f >/dev/null 2>&1
    done
    export VELMORA_HOST_TOOLS=/usr/bin
    echo "Wine prefix ready in $((SECONDS - start)) s"
}

velmora_wine_stop() {
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    [ -z "${VELMORA_XVFB:-}" ] || kill "$VELMORA_XVFB" 2>/dev/null || true
    [ -z "${WINEPREFIX:-}" ] || rm -rf "$WINEPREFIX" "$WINEPREFIX-temp"
}

