#!/bin/sh
# up PREFIX: a new throwaway Wine prefix with one wineserver kept running for
# the whole test run. down PREFIX: stops that wineserver.
# A third argument "win32" makes the new prefix 32-bit Windows.
set -u
action=$1
export WINEPREFIX=$2
if [ "${3:-}" = win32 ]; then export WINEARCH=win32; fi
export WINEDEBUG=-all
unset DISPLAY

case $action in
up)
    wineserver -k 2>/dev/null
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineserver -p >/dev/null 2>&1
    # No Mono or Gecko: nothing here needs them, and their installers would ask.
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >"$WINEPREFIX.boot.log" 2>&1 || { cat "$WINEPREFIX.boot.log"; exit 1; }
    # A freshly booted prefix may not start its Task Scheduler service until
    # the wineserver has been restarted once.
    wineserver -k
    wineserver -w
    wineserver -p >/dev/null 2>&1
    ;;
down)
    wineserver -k 2>/dev/null
    exit 0
    ;;
*)
    echo "usage: $0 up|down PREFIX [win32]" >&2
    exit 2
    ;;
esac
