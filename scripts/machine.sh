# Sourced by sandbox.sh and benchmark.sh: a throwaway Wine prefix standing in
# for a target PC, with the simulated firmware and Task Scheduler registered.
# Needs: here (this folder), firmware_dll, tasks_dll.

readonly LOCATOR_CLSID='{CB8555CC-9128-11D1-AD9B-00C04FD8FDFF}'
readonly TASK_SCHEDULER_CLSID='{0F87369F-A4E5-4CFC-BD3E-73E6154572DD}'
readonly STATE_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Setup\State'
readonly SANDBOX_DIR='C:\ProgramData\Quelmar Sandbox'

winpath() { local p=${1//\//\\}; echo "Z:$p"; }

# machine_up PREFIX ARCH SETTING PREVAULT IMAGESTATE
#   ARCH win64 or win32; SETTING the firmware's 4 bytes ("01 3C 7E 81");
#   PREVAULT yes when C:\Prevault\Logs exists; IMAGESTATE the value of
#   Setup\State ImageState, empty for no key. Sets WINEPREFIX, drive_c,
#   product_dir (and product_folder, its Windows path), firmware_setting and
#   firmware_journal.
machine_up() {
    local prefix=$1 arch=$2 setting=$3 prevault=$4 image_state=$5
    machine_down
    export WINEPREFIX=$prefix
    if [ "$arch" = win32 ]; then
        "$here/../harness/wine-prefix.sh" up "$WINEPREFIX" win32
        product_dir=$WINEPREFIX/drive_c/Program\ Files/Tarvolund/Tarvo\ Quelmar
        product_folder='C:\Program Files\Tarvolund\Tarvo Quelmar'
    else
        "$here/../harness/wine-prefix.sh" up "$WINEPREFIX"
        product_dir=$WINEPREFIX/drive_c/Program\ Files\ \(x86\)/Tarvolund/Tarvo\ Quelmar
        product_folder='C:\Program Files (x86)\Tarvolund\Tarvo Quelmar'
    fi
    if [ -n "${DISPLAY:-}" ]; then
        # Windows opened without a screen stay invisible until the wineserver restarts.
        wineserver -k
        wineserver -w
        wineserver -p >/dev/null 2>&1
    fi

    drive_c=$WINEPREFIX/drive_c
    local sandbox=$drive_c/ProgramData/Quelmar\ Sandbox
    mkdir -p "$sandbox"
    cp "$firmware_dll" "$tasks_dll" "$sandbox/"
    firmware_setting=$sandbox/firmware-setting.txt
    firmware_journal=$sandbox/firmware-journal.txt
    printf '%s\r\n' "$setting" >"$firmware_setting"
    register_server "$LOCATOR_CLSID" "$SANDBOX_DIR\\simulated_firmware_server.dll"
    register_server "$TASK_SCHEDULER_CLSID" "$SANDBOX_DIR\\simulated_task_scheduler_server.dll"

    if [ "$prevault" = yes ]; then mkdir -p "$drive_c/Prevault/Logs"; fi
    if [ -n "$image_state" ]; then
        wine reg add "$STATE_KEY" /v ImageState /d "$image_state" /f >/dev/null 2>&1
    fi
}

machine_down() {
    if [ -n "${WINEPREFIX:-}" ]; then "$here/../harness/wine-prefix.sh" down "$WINEPREFIX"; fi
}

# The 32-bit program reads its COM classes from the 32-bit view.
register_server() {
    local key="HKCR\\CLSID\\$1\\InprocServer32"
    wine reg add "$key" /ve /d "$2" /f /reg:32 >/dev/null 2>&1
    wine reg add "$key" /v ThreadingModel /d Both /f /reg:32 >/dev/null 2>&1
}
