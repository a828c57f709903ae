#!/bin/sh
# Runs a Windows test program under Wine, in the prefix that the test run set up.
# Wine's output goes to a file first: services that Wine starts on demand
# inherit it and would keep a pipe open for ever.
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-run.sh: WINEPREFIX is not set; refusing to use the user's own prefix" >&2
    exit 2
fi
export WINEDEBUG="${WINEDEBUG:--all}"
[ -n "${QUELMAR_KEEP_DISPLAY:-}" ] || unset DISPLAY
out=$(mktemp)
wine "$@" >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc
