#!/usr/bin/env bash
# sandbox.sh BUILD-DIR: a throwaway Wine prefix standing in for a target PC;
# runs QuelmarSetup.exe -install and -uninstall in it and reports what happened.
set -euo pipefail
build=$(realpath "$1")
export WINEPREFIX=$build/sandbox-prefix
export WINEDEBUG=-all
unset DISPLAY

winpath() { local p=${1//\//\\}; echo "Z:$p"; }
drive_c=$WINEPREFIX/drive_c

echo "== Preparing a new Wine prefix at $WINEPREFIX"
"$(dirname "$0")/../tests/wine-prefix.sh" up "$WINEPREFIX"
trap '"$(dirname "$0")/../tests/wine-prefix.sh" down "$WINEPREFIX"' EXIT

product="$drive_c/Program Files (x86)/Tarvolund/Tarvo Quelmar"
mkdir -p "$product" "$drive_c/Prevault/Logs"
cp "$build/QuelmarSetup.exe" "$product/"
setup_log="$drive_c/users/$(id -un)/AppData/Local/Tarvolund/Tarvo Quelmar/QuelmarSetup.log"
prevault_log="$drive_c/Prevault/Logs/QuelmarSetup.log"

run_setup() {
    local line="\"C:\\Program Files (x86)\\Tarvolund\\Tarvo Quelmar\\QuelmarSetup.exe\" $1"
    printf '%s' "$line" >"$build/sandbox-line.txt"
    rm -f "$setup_log" "$prevault_log"
    local code
    code=$(wine "$build/tests/launcher/launch.exe" "$(winpath "$build/sandbox-line.txt")" 2>/dev/null | tr -d '\r')
    echo
    echo "== QuelmarSetup.exe $1"
    echo "exit code: $code"
    for log in "$setup_log" "$prevault_log"; do
        echo "-- ${log#$drive_c/}"
        if [ -f "$log" ]; then sed 's/\r$//; s/^/   /' "$log"; else echo "   (no file)"; fi
    done
}

run_setup -install
run_setup -uninstall
