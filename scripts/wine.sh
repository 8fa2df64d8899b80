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

# velmora_wine_prefixes N: N prefixes, each on a display of its own, for
# tests run side by side: in one prefix a test's window would take the
# focus from another's (Wine keeps one foreground window per desktop).
# Prefix i is VELMORA_WINE_PREFIX_i on VELMORA_WINE_DISPLAY_i.
velmora_wine_prefixes() {
    local i
    VELMORA_WINE_ALL=()
    for ((i = 0; i < $1; i++)); do
        velmora_wine_prefix "$(mktemp -d /tmp/velmora-wine.XXXXXX)"
        export "VELMORA_WINE_PREFIX_$i=$WINEPREFIX" "VELMORA_WINE_DISPLAY_$i=$DISPLAY"
        VELMORA_WINE_ALL+=("$WINEPREFIX:$VELMORA_XVFB")
    done
}

velmora_wine_stop_all() {
    local entry
    for entry in "${VELMORA_WINE_ALL[@]}"; do
        WINEPREFIX=${entry%:*} VELMORA_XVFB=${entry##*:} velmora_wine_stop
    done
}

