#!/usr/bin/env bash
# The machine set-up script's decisions, one row per machine, each in a
# throwaway folder with stand-ins for the kernel, apt, dpkg and sudo: nothing
# of this machine is read or changed. Prints what the script printed, ends
# with the count of cases passed, and fails when one fails.
#   check-setup-script.sh SCRIPT
set -u
script=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

# The stand-ins find their machine's folder from their own path.
mkdir "$root/bin"
cd "$root/bin" || exit 1
printf '#!/bin/sh\necho 1000\n' >id                     # not root: the script uses sudo
printf '#!/bin/sh\nexec env -i PATH="$PATH" "$@"\n' >sudo  # which passes no environment on
printf '#!/bin/sh\necho "mount $*" >>"${0%%/bin/*}/apt.log"; exit 1\n' >mount
printf '#!/bin/sh\ncat "${0%%/bin/*}/installed" 2>/dev/null\n' >dpkg-query
printf '#!/bin/sh\nprintf "qemu-user:\\n  Candidate: %%s\\n" "$(cat "${0%%/bin/*}/release-qemu")"\n' >apt-cache
cat >apt-get <<'STANDIN'
#!/bin/sh
m=${0%/bin/*}
echo "apt-get $* (DEBIAN_FRONTEND=${DEBIAN_FRONTEND:-})" >>"$m/apt.log"
case "$*" in
*Dir::Etc::sourcelist=*)
    list=${*#*Dir::Etc::sourcelist=}; parts=${*#*Dir::Etc::sourceparts=}
    [ -z "$(ls -A "${parts%% *}")" ] && cp "${list%% *}" "$m/tried" && [ ! -e "$m/backports-unreachable" ] && exit 0
    echo "E: The repository 'http://deb.debian.org/debian bookworm-backports Release' does not have a Release file." >&2
    exit 100 ;;
*install*-t*) echo 1:10.0.2+ds-1~bpo12+1 >"$m/installed" ;;
*install*) cp "$m/release-qemu" "$m/installed" ;;
esac
case "$*" in *install*)
    while [ -e "$m/hold" ]; do sleep 0.1; done   # until a second run is waiting
    printf '#!/bin/sh\necho "qemu-i386 version 10.0.2 (Debian %s)"\n' "$(cat "$m/installed")" >"$m/qemu-i386"
    chmod +x "$m/qemu-i386" ;;
esac
STANDIN
cat >kernel <<'STANDIN'
#!/bin/sh
# A registration written to binfmt_misc's register file becomes its qemu-i386
# entry, and -1 written there removes it. The noexec folder runs nothing; a
# 32-bit program runs where the kernel runs them, or through a working emulator.
m=${0%/bin/*} b=${0%/bin/*}/binfmt
if [ -s "$b/register" ]; then
    printf 'enabled\ninterpreter %s\nflags: F\n' "$(cut -d: -f7 "$b/register")" >"$b/qemu-i386"; : >"$b/register"
fi
[ "$(cat "$b/qemu-i386" 2>/dev/null)" != -1 ] || rm "$b/qemu-i386"
case $1 in "$m/noexec/"*) echo "Permission denied" >&2; exit 126 ;; esac
[ "$(od -An -tx1 -j4 -N1 "$1")" = " 01" ] || exec "$1"
case $(cat "$m/kernel") in
runs-i386) exit 42 ;;
needs-emulator) grep -qx enabled "$b/qemu-i386" 2>/dev/null && exit 42 ;;
esac
echo "Exec format error" >&2; exit 126
STANDIN
chmod +x ./*

# Each fixture writes a machine's apt sources, and into "copy" the backports
# entry expected from them.
entry() { printf 'Types: %s\nURIs: %s\nSuites: %s\nComponents: main\n' "$1" "$2" "$3"; shift 3; [ $# -eq 0 ] || printf '%s\n' "$@"; }
inline_key='Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mDMEZQ9k8hYJKwYBBAHaRw8BAQdA0m3fJ2kqYx4v8cTq1wz5Vx7n0sLh3yQe9b2a
 -----END PGP PUBLIC KEY BLOCK-----'
one_line() {
    printf 'deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main contrib\n%s\n' \
           "deb http://deb.debian.org/debian-security bookworm-security main" >etc/apt/sources.list
    echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-backports main" >copy
}
deb822_inline_key() {
    { security_entry; echo; entry "deb deb-src" http://ftp.example.org/debian "bookworm bookworm-updates" "# the mirror" "$inline_key"; } \
        >etc/apt/sources.list.d/debian.sources
    entry deb http://ftp.example.org/debian bookworm-backports "$inline_key" >copy
}
disabled_entry() {
    { entry deb http://old.example.org/debian bookworm "Enabled: no"; echo; entry deb http://deb.debian.org/debian bookworm; } \
        >etc/apt/sources.list.d/debian.sources
    entry deb http://deb.debian.org/debian bookworm-backports >copy
}
security_entry() { entry deb http://deb.debian.org/debian-security bookworm-security; }
security_only() { security_entry >etc/apt/sources.list.d/debian.sources; }
no_debian_entry() { echo "deb https://packages.example.com/apt stable main" >etc/apt/sources.list.d/vendor.list; }

run() {   # OUTPUT-FILE: runs the script on the machine in $m
    env -i PATH="$m/bin:$PATH" QUELMAR_APT_DIR="$m/etc/apt" QUELMAR_BINFMT_MISC="$m/binfmt" \
        QUELMAR_OS_RELEASE="$m/os-release" QUELMAR_EMULATOR="$m/qemu-i386" QUELMAR_SETUP_LOCK="$m/lock" \
        QUELMAR_PROBE_FOLDERS="$m/${folders//:/:$m/}" QUELMAR_PROBE_STARTER="$m/bin/kernel" "$script" >"$1" 2>&1
}
snapshot() { find etc binfmt -type f -exec md5sum {} + | sort; cat apt.log; }
already="32-bit x86 programs: run by QEMU's i386 emulator, already set up."
passed=0 cases=0
while read -r name sources kernel folders release backports runs status adds expected; do
    [ -n "$name" ] && [ "${name#\#}" = "$name" ] || continue
    m=$root/$name
    mkdir -p "$m/etc/apt/sources.list.d" "$m/binfmt" "$m/tmp" "$m/noexec" && cd "$m" || exit 1
    cp -r "$root/bin" "$m/bin"
    : >binfmt/register; : >apt.log; echo "$kernel" >kernel; echo "$release" >release-qemu
    echo VERSION_CODENAME=bookworm >os-release
    [ "$backports" = reachable ] || : >backports-unreachable
    "$sources"
    sources_before=$(find etc -type f | sort)
    faults=()
    case $runs in
    once) run out; code=$? ;;
    twice)
        run out; code=$?
        before=$(snapshot); run again
        [ "$(cat again)" = "$already" ] || faults+=("the second run did not print one line")
        [ "$(snapshot)" = "$before" ] || faults+=("the second run changed something") ;;
    together)
        : >hold; run out & first=$!
        for _ in $(seq 100); do grep -q install apt.log && break; sleep 0.1; done   # the first run holds the lock
        run again & second=$!
        for _ in $(seq 100); do grep -q waiting again && break; sleep 0.1; done
        rm hold; wait $second; wait $first; code=$?
        [ "$(cat again)" = "Another set-up of this machine is running: waiting for it to end.
$already" ] || faults+=("the second run did not wait, then find the work done")
        [ "$(grep -c install apt.log)" = 1 ] || faults+=("qemu-user was installed twice") ;;
    esac
    [ "$code" = "$status" ] || faults+=("exit code $code, not $status")
    grep -qF -- "$expected" out || faults+=("it did not print: $expected")
    added=$(comm -13 <(echo "$sources_before") <(find etc -type f | sort))
    if [ "$adds" = - ]; then
        [ -z "$added" ] || faults+=("it left the apt source $added")
    else
        [ "$added" = "etc/apt/sources.list.d/$adds" ] && cmp -s copy "$added" || faults+=("it did not add copy as $adds: '$added'")
        cmp -s copy tried || faults+=("apt-get update did not read the new entry alone first")
    fi
    want=no; [ "$status$kernel" != 0needs-emulator ] || want=yes
    got=no; ! grep -qx enabled binfmt/qemu-i386 2>/dev/null || got=yes
    [ "$got" = "$want" ] || faults+=("registered: $got")
    ! grep -v "DEBIAN_FRONTEND=noninteractive" apt.log | grep -q . || faults+=("apt ran without DEBIAN_FRONTEND=noninteractive")
    [ -z "$(ls -A tmp)" ] || faults+=("left in the probe folder: $(ls tmp)")
    cases=$((cases + 1))
    echo "== $name"; sed 's/^/   /' out; [ ! -e again ] || sed 's/^/   (second run) /' again
    if [ ${#faults[@]} -eq 0 ]; then passed=$((passed + 1)); else printf 'FAIL: %s\n' "${faults[@]}"; fi
done <<'TABLE'
# case             sources            kernel          probe from   release's qemu-user  backports    runs      exit  adds                        printed
natively           one_line           runs-i386       noexec:tmp   1:7.2+dfsg-7         reachable    once      0     -                           32-bit x86 programs: run natively.
one-line-entry     one_line           needs-emulator  tmp          1:7.2+dfsg-7         reachable    once      0     bookworm-backports.list     now run by QEMU's i386 emulator (qemu-i386 version 10.0.2 (Debian 1:10.0.2+ds-1~bpo12+1))
deb822-inline-key  deb822_inline_key  needs-emulator  noexec:tmp   1:7.2+dfsg-7         reachable    once      0     bookworm-backports.sources  now run by QEMU's i386 emulator
disabled-entry     disabled_entry     needs-emulator  tmp          1:7.2+dfsg-7         reachable    once      0     bookworm-backports.sources  now run by QEMU's i386 emulator
security-only      security_only      needs-emulator  tmp          1:7.2+dfsg-7         reachable    once      1     -                           no Debian entry in the apt sources to copy for bookworm-backports.
no-debian-entry    no_debian_entry    needs-emulator  tmp          1:7.2+dfsg-7         reachable    once      1     -                           no Debian entry in the apt sources to copy for bookworm-backports.
release-new-enough one_line           needs-emulator  tmp          1:10.0.2+ds-1        reachable    once      0     -                           now run by QEMU's i386 emulator (qemu-i386 version 10.0.2 (Debian 1:10.0.2+ds-1))
update-fails       one_line           needs-emulator  tmp          1:7.2+dfsg-7         unreachable  once      1     -                           the apt sources are left as they were.
noexec-probe       one_line           needs-emulator  noexec       1:7.2+dfsg-7         reachable    once      1     -                           no folder lets programs run from it
emulator-fails     one_line           emulator-fails  tmp          1:7.2+dfsg-7         reachable    once      1     -                           Removed the emulator's registration
second-run         one_line           needs-emulator  tmp          1:7.2+dfsg-7         reachable    twice     0     bookworm-backports.list     now run by QEMU's i386 emulator
two-at-once        deb822_inline_key  needs-emulator  tmp          1:7.2+dfsg-7         reachable    together  0     bookworm-backports.sources  now run by QEMU's i386 emulator
TABLE
echo "setup script: $passed of $cases cases passed"
[ "$passed" -eq "$cases" ] && [ "$cases" -gt 0 ]
