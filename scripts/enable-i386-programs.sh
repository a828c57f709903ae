#!/usr/bin/env bash
# Makes sure this machine can start 32-bit x86 Linux programs, which Wine's
# 32-bit side (wine32) is. Some kernels cannot: there QEMU's i386 user-mode
# emulator, 10 or later, is installed (from the release's own suites when they
# offer it, else from its backports suite) and registered with binfmt_misc, so
# the kernel hands every 32-bit x86 program to it. A machine that runs them
# natively is left exactly as it is. One run at a time, and safe to run again:
# a second run changes nothing and says so in one line. Stops with a reason
# when 32-bit programs still cannot start, so that nothing fails later with
# "Exec format error", and then takes back the apt source and the registration
# it added.
set -euo pipefail
shopt -s nullglob
here=$(cd "$(dirname "$0")" && pwd)

# What it reads and writes on the machine. The tests point these at throwaway
# folders and stand-ins, and put stand-ins for apt-get, apt-cache, dpkg-query,
# sudo and id first in PATH.
apt_dir=${QUELMAR_APT_DIR:-/etc/apt}
binfmt=${QUELMAR_BINFMT_MISC:-/proc/sys/fs/binfmt_misc}
os_release=${QUELMAR_OS_RELEASE:-/etc/os-release}
emulator=${QUELMAR_EMULATOR:-/usr/bin/qemu-i386}
# Folders to run the probes from, the first that lets programs run; and what
# starts a probe (env has the kernel run it).
IFS=: read -ra probe_folders <<<"${QUELMAR_PROBE_FOLDERS:-${TMPDIR:+$TMPDIR:}/tmp:/var/tmp:/dev/shm:$here}"
start=${QUELMAR_PROBE_STARTER:-env}

readonly min_qemu=1:10     # bookworm's own 7.2 takes about a minute to start each Wine process
# ELF, 32-bit, little-endian, executable, i386; the F flag makes the kernel
# open the emulator now, so it also works inside other mount namespaces.
readonly registration=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$emulator"':F'

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

work=""             # this run's folder: the probes, the apt source being tried
added_source=""     # what this run added, taken back when it stops
registered_here=""

finish() {
    local status=$?
    if [ "$status" -ne 0 ] && [ -n "$added_source" ]; then
        $sudo rm -f "$added_source"
        echo "Removed the apt source $added_source again." >&2
    fi
    if [ "$status" -ne 0 ] && [ -n "$registered_here" ] && [ -e "$binfmt/qemu-i386" ]; then
        echo -1 | $sudo tee "$binfmt/qemu-i386" >/dev/null
        echo "Removed the emulator's registration $binfmt/qemu-i386 again." >&2
    fi
    rm -rf "$work"
}

stop() {
    echo "32-bit x86 programs cannot start on this machine: $1" >&2
    echo "Wine's 32-bit side cannot run here, so QuelmarSetup.exe cannot be tested. $2" >&2
    exit 1
}

# Starts PROGRAM: true when it exits with STATUS.
exits_with() {
    local status=0
    "$start" "$1" >/dev/null 2>&1 || status=$?
    [ "$status" -eq "$2" ]
}

# Makes this run's folder in the first candidate that lets programs run: a copy
# of a native program must start there, or a folder mounted noexec would pass
# for a kernel that cannot start 32-bit programs.
make_work_folder() {
    local candidate
    for candidate in "${probe_folders[@]}"; do
        work=$(mktemp -d "$candidate/quelmar-setup.XXXXXX" 2>/dev/null) || continue
        cp /bin/true "$work/true"
        if exits_with "$work/true" 0; then return 0; fi
        rm -rf "$work"
    done
    work=""
    return 1
}

# A 96-byte static i386 program that exits with 42.
write_i386_probe() {
    printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\010\064\0\0\0\0\0\0\0\0\0\0\0\064\0\040\0\1\0\0\0\0\0\0\0' >"$1"
    printf '\1\0\0\0\0\0\0\0\0\200\4\010\0\200\4\010\140\0\0\0\140\0\0\0\5\0\0\0\0\020\0\0' >>"$1"
    printf '\270\1\0\0\0\273\052\0\0\0\315\200' >>"$1"   # mov eax,1; mov ebx,42; int 0x80
    chmod +x "$1"
}

i386_runs() { exits_with "$work/exit42" 42; }

registered() { [ -e "$binfmt/qemu-i386" ] && grep -qx enabled "$binfmt/qemu-i386"; }

# apt without questions, also through sudo (which drops the environment).
apt_get() { $sudo env DEBIAN_FRONTEND=noninteractive apt-get "$@"; }

qemu_usable() {
    local version
    version=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null) || return 1
    dpkg --compare-versions "$version" ge "$min_qemu" && [ -x "$emulator" ]
}

# True when the suites apt already knows offer qemu-user 10 or later (Debian 13's do).
sources_offer_qemu() {
    local candidate
    candidate=$(LC_ALL=C apt-cache policy qemu-user | awk '$1 == "Candidate:" { print $2 }')
    [ -n "$candidate" ] && [ "$candidate" != "(none)" ] && dpkg --compare-versions "$candidate" ge "$min_qemu"
}

# Prints the machine's first enabled Debian entry that lists SUITE (never a
# security one) as an entry for the suite AS, main only, with its URIs and its
# key (a keyring's path or a whole inline key): deb822 when there is one, else
# one-line. Prints nothing when there is none.
debian_entry() {
    local suite=$1 as=$2 entry=""
    local deb822=("$apt_dir"/sources.list.d/*.sources)
    [ ${#deb822[@]} -eq 0 ] || entry=$(awk -v suite="$suite" -v as="$as" '
        BEGIN { RS = ""; FS = "\n" }    # one paragraph, one entry
        {
            split("", field); name = ""
            for (i = 1; i <= NF; i++) {
                if ($i ~ /^#/) continue
                if ($i ~ /^[ \t]/) { field[name] = field[name] "\n" $i; continue }   # a value that goes on
                name = tolower(substr($i, 1, index($i, ":") - 1))
                field[name] = substr($i, index($i, ":") + 1)
            }
            n = split(field["suites"], suites, /[ \t\n]+/); listed = 0
            for (j = 1; j <= n; j++) if (suites[j] == suite) listed = 1
            if (!listed || tolower(field["enabled"]) ~ /^[ \t]*(no|false|off|0)[ \t]*$/) next
            if (field["types"] !~ /(^|[ \t])deb([ \t]|$)/ || field["uris"] !~ /debian/ || field["uris"] ~ /security/) next
            printf "Types: deb\nURIs:%s\nSuites: %s\nComponents: main\n", field["uris"], as
            if ("signed-by" in field) printf "Signed-By:%s\n", field["signed-by"]
            exit
        }' "${deb822[@]}")
    if [ -z "$entry" ]; then
        # "deb [options] URI suite components"
        entry=$(grep -hsE "^deb[[:space:]]+(\[[^]]*\][[:space:]]+)?[^[:space:]]*debian[^[:space:]]*[[:space:]]+${suite}[[:space:]]" \
                    "$apt_dir/sources.list" "$apt_dir"/sources.list.d/*.list | grep -v security | head -n 1 \
                | sed -E "s/[[:space:]]${suite}[[:space:]].*/ $as main/" || true)
    fi
    printf '%s' "$entry"
}

# Adds "<codename>-backports" as a copy of the machine's own Debian entry (so
# no host name is written here), once an apt-get update that reads only the
# new entry has shown that apt can read that suite there.
add_backports() {
    local codename=$1 entry file
    [ -z "$(debian_entry "$codename-backports" "$codename-backports")" ] || return 0
    entry=$(debian_entry "$codename" "$codename-backports")
    [ -n "$entry" ] || stop "no Debian entry in the apt sources to copy for $codename-backports." \
                            "Add the $codename-backports suite to apt and run this again."
    case $entry in
        Types:*) file=$codename-backports.sources ;;
        *)       file=$codename-backports.list ;;
    esac
    [ ! -e "$apt_dir/sources.list.d/$file" ] \
        || stop "$apt_dir/sources.list.d/$file is there but holds no enabled Debian entry." "Enable or remove it and run this again."
    printf '%s\n' "$entry" >"$work/$file"
    mkdir "$work/no-parts"
    apt_get update -qq -o Dir::Etc::sourcelist="$work/$file" -o Dir::Etc::sourceparts="$work/no-parts" \
                       -o APT::Get::List-Cleanup=false \
        || stop "apt cannot read $codename-backports where the machine's own Debian entry points; the apt sources are left as they were." \
                "Add the $codename-backports suite to apt and run this again."
    added_source=$apt_dir/sources.list.d/$file
    $sudo install -m 644 "$work/$file" "$added_source"
    echo "Added the apt source $added_source."
    apt_get update -qq || stop "apt-get update fails with $added_source added." "Check the apt sources and run this again."
}

# Installs qemu-user 10 or later: from the release's own suites when they offer
# it, else from its backports suite.
install_qemu() {
    local codename
    codename=$(. "$os_release" && echo "${VERSION_CODENAME:-}")
    [ -n "$codename" ] || stop "$os_release names no release (VERSION_CODENAME)." "Install qemu-user 10 or later by hand and run this again."
    apt_get update -qq || stop "apt-get update fails with the machine's own apt sources." "Fix them and run this again."
    if sources_offer_qemu; then
        apt_get install -y -qq qemu-user || stop "qemu-user could not be installed." "Install qemu-user 10 or later by hand and run this again."
    else
        add_backports "$codename"
        apt_get install -y -qq -t "$codename-backports" qemu-user \
            || stop "qemu-user could not be installed from $codename-backports." "Install qemu-user 10 or later by hand and run this again."
    fi
    qemu_usable || stop "the qemu-user installed is older than 10 or has no $emulator." "Install qemu-user 10 or later by hand and run this again."
}

. "$here/one-set-up-at-a-time.sh"
trap finish EXIT
if ! make_work_folder; then
    echo "Cannot tell whether this machine starts 32-bit x86 programs: no folder lets programs run from it (tried ${probe_folders[*]}; mounted noexec?)." >&2
    echo "Nothing was changed. Set TMPDIR to a folder that allows running programs and run this again." >&2
    exit 1
fi
write_i386_probe "$work/exit42"

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
qemu_usable || install_qemu
if [ -e "$binfmt/qemu-i386" ] && ! registered; then
    echo -1 | $sudo tee "$binfmt/qemu-i386" >/dev/null   # a disabled entry of another emulator: replace it
fi
if [ ! -e "$binfmt/qemu-i386" ]; then
    printf '%s' "$registration" | $sudo tee "$binfmt/register" >/dev/null \
        || stop "the emulator could not be registered with binfmt_misc." "Run as root, or register $emulator for i386 ELF programs by hand."
    registered_here=yes
fi
i386_runs || stop "they still fail with QEMU's i386 emulator registered ($(head -n 3 "$binfmt/qemu-i386" | tr '\n' ' '))." \
                  "Check that $emulator runs, or use a machine whose kernel runs 32-bit x86 programs."
echo "32-bit x86 programs: now run by QEMU's i386 emulator ($($emulator --version | head -n 1))."
