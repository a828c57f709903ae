#!/usr/bin/env bash
# benchmark.sh BUILD-DIR [ROUNDS]
#
# Times QuelmarSetup.exe's install and uninstall flows on a supported sandbox
# machine (simulated firmware answering at once, simulated Task Scheduler)
# against two references started the same way in the same prefix: a program
# that does nothing, and the floor, a program that makes only the platform
# calls a flow cannot avoid (COM start-up, the administrative WMI locator and
# the Task Scheduler service created, connected and released). Prints each
# flow's time as a ratio to both. Not a test: the numbers depend on the machine.
set -euo pipefail
build=$(realpath "${1:?usage: benchmark.sh BUILD-DIR [ROUNDS]}")
rounds=${2:-20}
here=$(cd "$(dirname "$0")" && pwd)
out=$build/benchmark
firmware_dll=$build/standins/firmware/simulated_firmware_server.dll
tasks_dll=$build/standins/taskscheduler/simulated_task_scheduler_server.dll
export WINEDEBUG=-all
unset DISPLAY
# shellcheck source=machine.sh
. "$here/machine.sh"
trap machine_down EXIT

rm -rf "$out"
mkdir -p "$out"
machine_up "$out/prefix" win64 "01 3C 7E 81" yes IMAGE_STATE_COMPLETE
mkdir -p "$product_dir"
cp "$build/QuelmarSetup.exe" "$build/packaging/Quelmar.exe" "$build/tests/launcher/platform_floor.exe" \
   "$product_dir/"

printf '"%s\\Quelmar.exe"' "$product_folder" >"$out/nothing.txt"
printf '"%s\\platform_floor.exe"' "$product_folder" >"$out/floor.txt"
printf '"%s\\QuelmarSetup.exe" -install' "$product_folder" >"$out/install.txt"
printf '"%s\\QuelmarSetup.exe" -uninstall' "$product_folder" >"$out/uninstall.txt"

wine "$build/tests/launcher/bench.exe" "$rounds" \
    "$(winpath "$out/nothing.txt")" "$(winpath "$out/floor.txt")" \
    "$(winpath "$out/install.txt")" "$(winpath "$out/uninstall.txt")" \
    2>/dev/null | tr -d '\r' >"$out/times.tsv"

awk -F'\t' -v rounds="$rounds" '
    { n = split($1, p, /[\\\/]/); name = p[n]; sub(/\.txt$/, "", name)
      code[name] = $2; mean[name] = $3; low[name] = $4; high[name] = $5 }
    END {
        printf "QuelmarSetup.exe flows, %d rounds each, in one prefix (ms per run)\n", rounds
        printf "%-10s %6s %9s %9s %9s %10s %10s\n", "run", "exit", "mean", "min", "max", "/nothing", "/floor"
        split("nothing floor install uninstall", order, " ")
        for (i = 1; i <= 4; i++) { r = order[i]
            printf "%-10s %6s %9.1f %9.1f %9.1f %9.2fx %9.2fx\n", r, code[r], mean[r], low[r], high[r],
                   mean[r] / mean["nothing"], mean[r] / mean["floor"] }
        if (code["floor"] != 0)
            printf "The floor exited %s: a platform service did not connect, so its time is not the floor.\n", code["floor"]
        slowest = high["install"] > high["uninstall"] ? high["install"] : high["uninstall"]
        if (slowest < 2000)
            printf "Slowest flow %.1f ms < 2000 ms: no flow waited for the firmware enumeration time-out.\n", slowest
        else
            printf "Slowest flow %.1f ms: a flow may have waited for the firmware enumeration time-out.\n", slowest
    }' "$out/times.tsv"
