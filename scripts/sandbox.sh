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
next_msi=$(ls "$build"/packaging/QuelmarSample-*.msi 2>/dev/null | head -1)
firmware_dll=$build/standins/firmware/simulated_firmware_server.dll
tasks_dll=$build/standins/taskscheduler/simulated_task_scheduler_server.dll
for file in "$launch" "$msi" "$next_msi" "$firmware_dll" "$tasks_dll"; do
    [ -n "$file" ] && [ -f "$file" ] || { echo "sandbox.sh: ${file:-the package of the next version} is missing; build first" >&2; exit 1; }
done

readonly CPL_KEYS=('HKCR\CLSID\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}'
                   'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\ControlPanel\NameSpace\{5C1E7B30-9A42-4F6D-8E15-2B7D903AC6E4}')
readonly BOX_CAPTION='Tarvo Quelmar Setup'
# Wine's msiexec shows a failed launch condition's message under this caption.
readonly INSTALL_FAILED_CAPTION='Install Failed'

rm -rf "$out"
mkdir -p "$out"
: >"$report"
export WINEDEBUG=-all

say() { printf '%s\n' "$@" | tee -a "$report"; }
# Prints a file's lines indented, CR LF shown as plain line ends.
show() { sed 's/\r$//; s/^/      /' | tee -a "$report"; }
view=/reg:64
view32=/reg:32
[ $arch = win32 ] && view= && view32=

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
    last_setting=$setting
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
# UI is msiexec's user interface option, /qn (none) unless set.
run_msiexec() {
    local label=$1; shift
    local line="msiexec $* ${UI:-/qn} /l*v $(winpath "$out/$label.msi.log")"
    printf '%s' "$line" >"$out/$label.cmdline"
    WINEDEBUG=-all,trace+msi wine "$launch" "$(winpath "$out/$label.cmdline")" \
        >"$out/$label.code" 2>"$out/$label.trace"
}

# Runs msiexec while watching the screen: a message box that appears (caption
# CAPTION, the program's own unless set) is photographed and closed with a
# key press, as a user would.
run_msiexec_watching() {
    local label=$1; shift
    local caption=${CAPTION:-$BOX_CAPTION}
    run_msiexec "$label" "$@" &
    local pid=$! id="" box="none appeared"
    while kill -0 $pid 2>/dev/null; do
        id=$(xdotool search --name "$caption" 2>/dev/null | head -1) || true
        if [ -n "$id" ]; then
            sleep 0.5
            import -window root "$out/$label-message-box.png"
            xdotool key --window "$id" Return 2>/dev/null || true
            box="shown (caption \"$caption\"), screenshot $out/$label-message-box.png, closed with Return"
            while kill -0 $pid 2>/dev/null && xdotool search --name "$caption" >/dev/null 2>&1; do sleep 0.2; done
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
    [ -f "$out/$label.message" ] && say "  $(cat "$out/$label.message")"
    say "  the program's custom actions (from Wine's msi trace; its verbose log leaves out skipped ones):"
    program_actions <"$out/$label.trace" | tee -a "$report"
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
            if cmp -s "$task" "$out/task-shown"; then
                say "      ${name//\//\\}: the same XML as shown above"
                continue
            fi
            say "      ${name//\//\\} (XML):"
            { iconv -f UTF-16 -t UTF-8 "$task"; echo; } | sed 's/\r$//; s/^/  /' | show
            cp "$task" "$out/task-shown"
        done
    else
        say "      \\Tarvolund: absent"
    fi

    say "  firmware records received:"
    new_lines "$firmware_journal" "$journal_mark" |
        grep -E '^(Put|ExecMethod|Execute)' | show || say "      none"
    local setting
    setting=$(tr -d '\r\n' <"$firmware_setting")
    say "  firmware setting now: $setting ($([ "$setting" = "$last_setting" ] && echo unchanged || echo "was $last_setting"))"
    last_setting=$setting
    say "  products registered (Programs and Features' entries):"
    products_registered | show
    summarize "$label" "$(tr -d '\r\n' <"$out/$label.code")" \
        "$(program_actions <"$out/$label.trace" | sed -n 's/^ *QuelmarSetup[A-Za-z]* (\(-[a-z]*\)): ran.*/\1/p' | paste -sd' ')"
    mark_logs
}

# One line per step for the report's end: what ran and what it left.
readonly SUMMARY_ROW='%-24s %-8s %-22s %-8s %-8s %-12s %s\n'
summarize() {
    local task=absent keys=absent key present=0 versions
    [ -f "$(tasks_root)/Tarvolund/Tarvo Quelmar/Tarvo Quelmar Start at Logon" ] && task=present
    for key in "${CPL_KEYS[@]}"; do wine reg query "$key" $view >/dev/null 2>&1 && present=$((present + 1)); done
    [ $present -eq ${#CPL_KEYS[@]} ] && keys=present
    [ $present -gt 0 ] && [ $present -lt ${#CPL_KEYS[@]} ] && keys="$present of ${#CPL_KEYS[@]}"
    versions=$(products_registered | awk '$1 != "none" { print $3 }' | paste -sd' ')
    printf "$SUMMARY_ROW" "$1" "$2" "${3:-none}" "$task" "$keys" \
        "$(tr -d '\r\n' <"$firmware_setting")" "${versions:-none}" >>"$out/summary.txt"
}

# Reads Wine's msi trace: for each msiexec process (the older version's
# removal during an upgrade runs in one of its own), whether the program's
# two custom actions ran, were skipped or were never reached.
program_actions() {
    awk '
        function tid() { return substr($0, 1, index($0, ":") - 1) }
        function quoted(prefix) { match($0, prefix "[^\"]*\""); return substr($0, RSTART + length(prefix), RLENGTH - length(prefix) - 1) }
        /ACTION_PerformAction Performing action/ && !(tid() in seen) { seen[tid()] = 1; order[++n] = tid() }
        /MsiConfigureProductExW .*REMOVE=ALL/ { removal[tid()] = quoted("L\"") }
        /Performing action \(L"QuelmarSetup/ { current[tid()] = quoted("L\"") }
        /Skipping action: L"QuelmarSetup/ { state[tid(), quoted("L\"")] = "skipped (condition false)" }
        /HANDLE_CustomType18 exe/ { state[tid(), current[tid()]] = "ran, exit code not checked by the package" }
        /custom_get_process_return exit code is/ { state[tid(), current[tid()]] = "ran, exit code " $NF }
        END {
            for (i = 1; i <= n; i++) {
                t = order[i]
                if (t in removal) print "    in the removal of the older version " removal[t] " (an msiexec process of its own):"
                else if (i > 1) continue
                for (a = 1; a <= 2; a++) {
                    name = a == 1 ? "QuelmarSetupUninstall" : "QuelmarSetupInstall"
                    print "      " name " (" (a == 1 ? "-uninstall" : "-install") "): " ((t, name) in state ? state[t, name] : "not reached")
                }
            }
        }'
}

products_registered() {
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s $view32 2>/dev/null | tr -d '\r' |
        awk '/^HKEY/ { key = $0; sub(/.*\\/, "", key) }
             $1 == "DisplayName" && /Tarvo Quelmar/ { named[key] = 1 }
             $1 == "DisplayVersion" { version[key] = $NF }
             END { for (k in named) print "Tarvo Quelmar " version[k] " " k; if (length(named) == 0) print "none" }' | sort
}

# delete_by_hand LABEL: the task and the Control Panel item deleted by hand,
# as a user or a cleaning tool might.
delete_by_hand() {
    local key root label=$1
    root=$(tasks_root)
    rm -rf "$root/Tarvolund"
    for key in "${CPL_KEYS[@]}"; do wine reg delete "$key" /f $view >/dev/null 2>&1 || true; done
    say "" "---- By hand: the task folder \\Tarvolund and both Control Panel keys deleted"
    summarize "$label" - -
}

# Wine's logs leave out the message of a failed launch condition: the package's own text.
launch_condition() {
    msiinfo export "$1" LaunchCondition | tr -d '\r' | tail -n +4 |
        awk -F'\t' '{ print "the package'"'"'s launch condition " $1 " says: \"" $2 "\"" }'
}

version_of() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductVersion" { print $2 }'; }

start_display
say "QuelmarSetup sandbox: the sample package $msi" "  and its next version, built from the same source: $next_msi"

first=$(version_of "$msi")
next=$(version_of "$next_msi")
new_machine supported "01 3C 7E 81" yes IMAGE_STATE_COMPLETE
run_msiexec_watching supported-install /i "$(winpath "$msi")"
report_step supported-install "Install of version $first on a supported machine"
delete_by_hand supported-by-hand
run_msiexec supported-repair /i "$(winpath "$msi")" REINSTALL=ALL REINSTALLMODE=vomus
report_step supported-repair "Repair (msiexec /i package REINSTALL=ALL REINSTALLMODE=vomus): -install runs again"
run_msiexec supported-upgrade /i "$(winpath "$next_msi")"
report_step supported-upgrade "Upgrade to version $next: the older version is removed without -uninstall"
run_msiexec supported-uninstall /x "$(winpath "$next_msi")"
report_step supported-uninstall "Uninstall (the product is removed)"
# Wine's msi forgets the upgrade code of a version installed by an upgrade
# (Windows keeps it), so the downgrade is tried over a version installed as such.
run_msiexec supported-install-next /i "$(winpath "$next_msi")"
report_step supported-install-next "Install of version $next on its own"
launch_condition "$msi" >"$out/supported-downgrade.message"
UI=/qb CAPTION=$INSTALL_FAILED_CAPTION run_msiexec_watching supported-downgrade /i "$(winpath "$msi")"
report_step supported-downgrade "Downgrade to version $first (basic UI): refused with a message, nothing changes"

new_machine unsupported "00 3C 7E 81" yes IMAGE_STATE_COMPLETE
run_msiexec_watching unsupported-install /i "$(winpath "$msi")"
report_step unsupported-install "Install on an unsupported machine (refused; the package rolls back)"

new_machine imaging "00 3C 7E 81" no IMAGE_STATE_UNDEPLOYABLE
run_msiexec_watching imaging-install /i "$(winpath "$msi")"
report_step imaging-install "The same install while Windows is still in its imaging phase"

say "" "================================================================" "Summary: each step's msiexec exit code, the program's actions that ran, and what the machine holds after it" ""
printf "$SUMMARY_ROW" step msiexec "program ran" task keys firmware "versions registered" | tee -a "$report"
tee -a "$report" <"$out/summary.txt"
say "" "Report: $report"
