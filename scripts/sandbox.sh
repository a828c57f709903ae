#!/usr/bin/env bash
# sandbox.sh [--win32] BUILD-DIR
#
# Stands up throwaway Wine prefixes as target PCs and runs the sample
# installer package on them, printing what QuelmarSetup.exe did to each
# machine. Every machine gets the simulated firmware (as the administrative
# WMI locator) and the simulated Task Scheduler (tasks kept as XML under
# C:\Windows\System32\Tasks); files, registry and the imaging state are Wine's
# own. The report and the refusal's screenshot land in BUILD-DIR/sandbox.
set -euo pipefail

arch=win64
if [ "${1:-}" = --win32 ]; then arch=win32; shift; fi
build=$(realpath "${1:?usage: sandbox.sh [--win32] BUILD-DIR}")
here=$(cd "$(dirname "$0")" && pwd)
out=$build/sandbox
report=$out/report.txt
launch=$build/harness/launcher/launch.exe
msi=$build/QuelmarSample.msi
firmware_dll=$build/standins/firmware/simulated_firmware_server.dll
tasks_dll=$build/standins/taskscheduler/simulated_task_scheduler_server.dll
for file in "$launch" "$msi" "$firmware_dll" "$tasks_dll"; do
    [ -f "$file" ] || { echo "sandbox.sh: $file is missing; build first" >&2; exit 1; }
done

readonly CPL_KEYS=('HKCR\CLSID\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}'
                   'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\ControlPanel\NameSpace\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}')
readonly BOX_CAPTION='Tarvo Quelmar Setup'

rm -rf "$out"
mkdir -p "$out"
: >"$report"
export WINEDEBUG=-all

say() { printf '%s\n' "$@" | tee -a "$report"; }
# Prints a file's lines indented, CR LF shown as plain line ends.
show() { sed 's/\r$//; s/^/      /' | tee -a "$report"; }
view=/reg:64
[ $arch = win32 ] && view=

# shellcheck source=machine.sh
. "$here/machine.sh"

# One virtual screen for the whole run: the refusal's message box is real.
start_display() {
    local n
    for n in $(seq 90 120); do [ -e /tmp/.X$n-lock ] || break; done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do [ -e /tmp/.X11-unix/X$n ] && return; sleep 0.1; done
    echo "sandbox.sh: Xvfb did not start" >&2
    exit 1
}
stop_all() {
    machine_down
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
    return 0
}
trap stop_all EXIT

# new_machine NAME SETTING PREVAULT IMAGESTATE: a new prefix standing in for a PC.
new_machine() {
    local name=$1 setting=$2 prevault=$3 image_state=$4
    machine_up "$out/$name-prefix" $arch "$setting" "$prevault" "$image_state"
    say "" "================================================================" \
        "Machine \"$name\" ($arch Wine prefix $WINEPREFIX)" \
        "  firmware setting:       $setting" \
        "  C:\\Prevault\\Logs:       $([ "$prevault" = yes ] && echo present || echo absent)" \
        "  Setup\\State ImageState: ${image_state:-(no key)}"
    mark_logs
}

setup_log() { find "$drive_c/users" -path '*/AppData/Local/Tarvolund/Tarvo Quelmar/QuelmarSetup.log' 2>/dev/null | head -1; }
prevault_log() { echo "$drive_c/Prevault/Logs/QuelmarSetup.log"; }
tasks_root() { find "$drive_c/windows/system32" -maxdepth 1 -iname tasks | head -1; }

# Remembers how long each log is, so a step reports only what it added.
mark_logs() {
    setup_mark=$(lines_of "$(setup_log)")
    prevault_mark=$(lines_of "$(prevault_log)")
    journal_mark=$(lines_of "$firmware_journal")
}
lines_of() { if [ -n "$1" ] && [ -f "$1" ]; then wc -l <"$1"; else echo 0; fi; }
new_lines() { if [ -n "$1" ] && [ -f "$1" ]; then tail -n +"$(($2 + 1))" "$1"; fi; }

# run_msiexec LABEL ARGUMENTS: runs msiexec through the launcher, which reads
# the real exit code; Wine's msi trace names each custom action and its code.
run_msiexec() {
    local label=$1; shift
    local line="msiexec $* /qn /l*v $(winpath "$out/$label.msi.log")"
    printf '%s' "$line" >"$out/$label.cmdline"
    WINEDEBUG=-all,trace+msi wine "$launch" "$(winpath "$out/$label.cmdline")" \
        >"$out/$label.code" 2>"$out/$label.trace"
}

# Runs msiexec while watching the screen: a message box that appears is
# photographed and closed with a key press, as a user would.
run_msiexec_watching() {
    local label=$1; shift
    run_msiexec "$label" "$@" &
    local pid=$! id="" box="none appeared"
    while kill -0 $pid 2>/dev/null; do
        id=$(xdotool search --name "$BOX_CAPTION" 2>/dev/null | head -1) || true
        if [ -n "$id" ]; then
            sleep 0.5
            import -window root "$out/$label-message-box.png"
            xdotool key --window "$id" Return 2>/dev/null || true
            box="shown (caption \"$BOX_CAPTION\"), screenshot $out/$label-message-box.png, closed with Return"
            while kill -0 $pid 2>/dev/null && xdotool search --name "$BOX_CAPTION" >/dev/null 2>&1; do sleep 0.2; done
        fi
        sleep 0.2
    done
    wait $pid || true
    echo "$box" >"$out/$label.box"
}

report_step() {
    local label=$1
    say "" "---- $2" "  msiexec exit code: $(tr -d '\r\n' <"$out/$label.code") (verbose log: $out/$label.msi.log)"
    [ -f "$out/$label.box" ] && say "  message box: $(cat "$out/$label.box")"
    # Wine's msi trace names each program a custom action starts, and the
    # exit code of those whose code the package checks.
    awk '
        /HANDLE_CustomType18 exe/ {
            if (run != "") print "  " run ": exit code not checked by the package"
            match($0, /arg L"[^"]*"/); run = "QuelmarSetup.exe " substr($0, RSTART + 6, RLENGTH - 7)
        }
        /custom_get_process_return exit code is/ && run != "" { print "  " run ": exit code " $NF; run = "" }
        END { if (run != "") print "  " run ": exit code not checked by the package" }
    ' "$out/$label.trace" | tee -a "$report"
    say "  product files ($product_folder): $(ls "$product_dir" 2>/dev/null | tr '\n' ' ' || true)"
    say "  setup log, lines added:"
    new_lines "$(setup_log)" "$setup_mark" | show
    if [ -d "$drive_c/Prevault/Logs" ]; then
        say "  Prevault log, lines added:"
        new_lines "$(prevault_log)" "$prevault_mark" | show
    else
        say "  Prevault log:  none (no C:\\Prevault\\Logs on this machine)"
    fi

    say "  Control Panel item (registry, 64-bit view):"
    local key
    for key in "${CPL_KEYS[@]}"; do
        wine reg query "$key" /s $view 2>/dev/null | sed '/^\s*$/d; /^reg: /d' | show || true
        wine reg query "$key" $view >/dev/null 2>&1 || say "      $key: absent"
    done

    say "  task folders and tasks (C:\\Windows\\System32\\Tasks):"
    local root
    root=$(tasks_root)
    if [ -n "$root" ] && [ -d "$root/Tarvolund" ]; then
        (cd "$root" && find Tarvolund | sort | sed 's|/|\\|g; s|^|\\|') | show
        find "$root/Tarvolund" -type f | sort | while read -r task; do
            local name=${task#$root}
            say "      ${name//\//\\} (XML):"
            { iconv -f UTF-16 -t UTF-8 "$task"; echo; } | sed 's/\r$//; s/^/  /' | show
        done
    else
        say "      \\Tarvolund: absent"
    fi

    say "  firmware records received:"
    new_lines "$firmware_journal" "$journal_mark" |
        grep -E '^(Put|ExecMethod|Execute)' | show || say "      none"
    say "  firmware setting now: $(tr -d '\r\n' <"$firmware_setting")"
    mark_logs
}

start_display
say "QuelmarSetup sandbox: the sample package $msi"

new_machine supported "01 3C 7E 81" yes IMAGE_STATE_COMPLETE
run_msiexec_watching supported-install /i "$(winpath "$msi")"
report_step supported-install "Install on a supported machine"
run_msiexec supported-uninstall /x "$(winpath "$msi")"
report_step supported-uninstall "Uninstall (the product is removed)"

new_machine unsupported "00 3C 7E 81" yes IMAGE_STATE_COMPLETE
run_msiexec_watching unsupported-install /i "$(winpath "$msi")"
report_step unsupported-install "Install on an unsupported machine (refused; the package rolls back)"

new_machine imaging "00 3C 7E 81" no IMAGE_STATE_UNDEPLOYABLE
run_msiexec_watching imaging-install /i "$(winpath "$msi")"
report_step imaging-install "The same install while Windows is still in its imaging phase"

say "" "Report: $report"
