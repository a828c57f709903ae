#!/usr/bin/env bash
# Makes sure this machine can start 32-bit x86 Linux programs, which Wine's
# 32-bit side (wine32) is. Some kernels cannot: there QEMU's i386 user-mode
# emulator from the release's backports suite is installed and registered with
# binfmt_misc, so the kernel hands every 32-bit x86 program to it. A machine
# that runs them natively is left exactly as it is. Safe to run again: a second
# run changes nothing and says so in one line. Stops with a reason when 32-bit
# programs still cannot start, so that nothing fails later with
# "Exec format error".
set -euo pipefail

readonly emulator=/usr/bin/qemu-i386
readonly min_qemu=1:10     # bookworm's own 7.2 takes about a minute to start each Wine process
readonly binfmt=/proc/sys/fs/binfmt_misc
# ELF, 32-bit, little-endian, executable, i386; the F flag makes the kernel
# open the emulator now, so it also works inside other mount namespaces.
readonly registration=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F'

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# Starts a 96-byte static i386 program that exits with 42: true when it ran.
i386_runs() {
    local dir probe status=0
    dir=$(mktemp -d)
    probe=$dir/exit42
    printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\010\064\0\0\0\0\0\0\0\0\0\0\0\064\0\040\0\1\0\0\0\0\0\0\0' >"$probe"
    printf '\1\0\0\0\0\0\0\0\0\200\4\010\0\200\4\010\140\0\0\0\140\0\0\0\5\0\0\0\0\020\0\0' >>"$probe"
    printf '\270\1\0\0\0\273\052\0\0\0\315\200' >>"$probe"   # mov eax,1; mov ebx,42; int 0x80
    chmod +x "$probe"
    "$probe" 2>/dev/null || status=$?
    rm -rf "$dir"
    [ "$status" -eq 42 ]
}

stop() {
    echo "32-bit x86 programs cannot start on this machine: $1" >&2
    echo "Wine's 32-bit side cannot run here, so QuelmarSetup.exe cannot be tested. $2" >&2
    exit 1
}

qemu_usable() {
    local version
    version=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null) || return 1
    dpkg --compare-versions "$version" ge "$min_qemu" && [ -x "$emulator" ]
}

# Adds "<codename>-backports" by copying the machine's own Debian entry: the
# same URIs and keyring, so no host name is written here.
add_backports() {
    local codename=$1
    grep -rqsE "^[^#]*[[:space:]]$codename-backports([[:space:]]|$)" /etc/apt/sources.list /etc/apt/sources.list.d/ && return 0
    local entry
    entry=$(awk -v suite="$codename" '
        BEGIN { RS = ""; FS = "\n" }
        {
            uris = ""; keyring = ""; ours = 0
            for (i = 1; i <= NF; i++) {
                if ($i ~ /^URIs:/) uris = substr($i, 7)
                if ($i ~ /^Signed-By:/) keyring = substr($i, 12)
                if ($i ~ /^Suites:/) { n = split(substr($i, 8), s, " "); for (j = 1; j <= n; j++) if (s[j] == suite) ours = 1 }
            }
            if (ours && uris ~ /debian/ && uris !~ /security/) {
                printf "Types: deb\nURIs: %s\nSuites: %s-backports\nComponents: main\n", uris, suite
                if (keyring != "") printf "Signed-By: %s\n", keyring
                exit
            }
        }' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
    if [ -n "$entry" ]; then
        printf '%s\n' "$entry" | $sudo tee "/etc/apt/sources.list.d/$codename-backports.sources" >/dev/null
        return 0
    fi
    # One-line format: "deb [options] URI codename components".
    local line
    line=$(grep -hsE "^deb[[:space:]]+(\[[^]]*\][[:space:]]+)?[^[:space:]]*debian[^[:space:]]*[[:space:]]+$codename[[:space:]]" \
               /etc/apt/sources.list /etc/apt/sources.list.d/*.list | grep -v security | head -n 1 || true)
    [ -n "$line" ] || return 1
    echo "$line" | sed -E "s/[[:space:]]$codename[[:space:]].*/ $codename-backports main/" \
        | $sudo tee "/etc/apt/sources.list.d/$codename-backports.list" >/dev/null
}

registered() { [ -e "$binfmt/qemu-i386" ] && grep -qx enabled "$binfmt/qemu-i386"; }

if i386_runs; then
    if registered; then
        echo "32-bit x86 programs: run by QEMU's i386 emulator, already set up."
    else
        echo "32-bit x86 programs: run natively."
    fi
    exit 0
fi

echo "32-bit x86 programs cannot start natively: setting up QEMU's i386 emulator."
if [ ! -e "$binfmt/register" ]; then
    $sudo mount -t binfmt_misc binfmt_misc "$binfmt" \
        || stop "binfmt_misc cannot be mounted." "Run as root on a machine that allows mounting binfmt_misc, or on one whose kernel runs 32-bit x86 programs."
fi
if ! qemu_usable; then
    . /etc/os-release
    add_backports "$VERSION_CODENAME" \
        || stop "no Debian entry in the apt sources to copy for $VERSION_CODENAME-backports." "Add the $VERSION_CODENAME-backports suite to apt and run this again."
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq -t "$VERSION_CODENAME-backports" qemu-user \
        || stop "qemu-user could not be installed from $VERSION_CODENAME-backports." "Install qemu-user 10 or later by hand and run this again."
    qemu_usable || stop "qemu-user from $VERSION_CODENAME-backports is older than 10 or has no $emulator." "Install qemu-user 10 or later by hand and run this again."
fi
if [ -e "$binfmt/qemu-i386" ] && ! registered; then
    echo -1 | $sudo tee "$binfmt/qemu-i386" >/dev/null   # a disabled entry of another emulator: replace it
fi
if [ ! -e "$binfmt/qemu-i386" ]; then
    printf '%s' "$registration" | $sudo tee "$binfmt/register" >/dev/null \
        || stop "the emulator could not be registered with binfmt_misc." "Run as root, or register $emulator for i386 ELF programs by hand."
fi
i386_runs || stop "they still fail with QEMU's i386 emulator registered ($(head -n 3 "$binfmt/qemu-i386" | tr '\n' ' '))." \
                  "Check that $emulator runs, or use a machine whose kernel runs 32-bit x86 programs."
echo "32-bit x86 programs: now run by QEMU's i386 emulator ($($emulator --version | head -n 1))."
