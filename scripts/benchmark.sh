#!/usr/bin/env bash
# benchmark.sh BUILD-DIR [ROUNDS]
#
# Times QuelmarSetup.exe's install and uninstall flows on a supported sandbox
# machine (simulated firmware answering at once, simulated Task Scheduler)
# against two references started the same way in the same prefix: a program
# that does nothing, and the floor, which only starts COM and connects the two
# services (the administrative WMI locator to root\wmi, the Task Scheduler),
# each released again. A flow does more than the floor: it also calls the
# firmware method, writes or deletes the Control Panel keys and registers or
# deletes the task.
#
# Prints each run's mean with its standard error, minimum and maximum, and each
# run's mean, minimum and maximum as ratios to both references' means. A run
# whose mean has a standard error above 5 % is too spread out to trust: the
# report says so. Every run must exit 0 in every round; otherwise the times are not
# the flows' (an install refused at once is quick), and the script fails.
# Not a test: the numbers depend on the machine.
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
cp "$build/QuelmarSetup.exe" "$build/packaging/Quelmar.exe" "$build/harness/launcher/platform_floor.exe" \
   "$product_dir/"

printf '"%s\\Quelmar.exe"' "$product_folder" >"$out/nothing.txt"
printf '"%s\\platform_floor.exe"' "$product_folder" >"$out/floor.txt"
printf '"%s\\QuelmarSetup.exe" -install' "$product_folder" >"$out/install.txt"
printf '"%s\\QuelmarSetup.exe" -uninstall' "$product_folder" >"$out/uninstall.txt"

wine "$build/harness/launcher/bench.exe" "$rounds" \
    "$(winpath "$out/nothing.txt")" "$(winpath "$out/floor.txt")" \
    "$(winpath "$out/install.txt")" "$(winpath "$out/uninstall.txt")" \
    2>/dev/null | tr -d '\r' >"$out/times.tsv"

# A run's mean is trusted when its standard error (standard deviation over the
# square root of the rounds) is at most 5 % of it: one slow start moves the
# maximum a lot, the mean of many rounds little.
awk -F'\t' -v rounds="$rounds" -v widest=5 '
    { n = split($1, p, /[\\\/]/); name = p[n]; sub(/\.txt$/, "", name)
      code[name] = $2; mean[name] = $3; low[name] = $4; high[name] = $5; error[name] = 100 * $6 / sqrt(rounds) / $3 }
    function ratios(r, to) {
        return sprintf("%5.2fx (%.2f-%.2f)", mean[r] / mean[to], low[r] / mean[to], high[r] / mean[to])
    }
    END {
        printf "QuelmarSetup.exe flows, %d rounds each, in one prefix (ms per run)\n", rounds
        printf "  nothing: a program that exits at once\n"
        printf "  floor:   COM start-up and the two services connected (WMI locator, Task Scheduler); a flow\n"
        printf "           also calls the firmware method, writes or deletes keys and registers or deletes the task\n"
        printf "%-10s %6s %8s %7s %8s %8s  %-22s %s\n", "run", "exit", "mean", "+-", "min", "max",
               "/nothing (min-max)", "/floor (min-max)"
        split("nothing floor install uninstall", order, " ")
        for (i = 1; i <= 4; i++) { r = order[i]
            printf "%-10s %6s %8.1f %6.1f%% %8.1f %8.1f  %-22s %s\n", r, code[r], mean[r], error[r], low[r], high[r],
                   ratios(r, "nothing"), ratios(r, "floor")
            if (error[r] > widest) wide = wide sprintf("%s %s %.1f%%", wide == "" ? "" : ",", r, error[r])
        }
        if (wide != "")
            printf "SPREAD TOO WIDE (standard error of the mean above %d%%):%s. Do not trust these means; run again with more rounds or on a quiet machine.\n", widest, wide
        else
            printf "Every mean within %d%% (standard error): the means can be compared.\n", widest
        for (i = 1; i <= 4; i++) { r = order[i]
            if (code[r] != "0") {
                printf "FAILED: %s exited %s, not 0 in every round: these are not the times of its work.\n", r, code[r]
                failed = 1
            }
        }
        exit failed
    }' "$out/times.tsv"
