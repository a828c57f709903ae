#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are
# missing, after making sure the machine can start 32-bit x86 programs (Wine's
# 32-bit side is one, and the i386 packages' install scripts run some). One
# set-up at a time: a second run waits for the first, then finds nothing to do.
set -euo pipefail
here=$(dirname "$0")
. "$here/one-set-up-at-a-time.sh"

packages=(cmake ninja-build g++-mingw-w64-i686-posix mingw-w64-i686-dev googletest clang lld
          wine wine32:i386 wine64 wixl msitools xvfb xdotool imagemagick osslsigncode openssl git clang-format clang-tidy
          libxml2-utils)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

"$here/enable-i386-programs.sh"
# i386 packages whose install scripts failed before the emulator was there.
[ -z "$(dpkg --audit 2>/dev/null)" ] || $sudo env DEBIAN_FRONTEND=noninteractive dpkg --configure -a

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
# sudo drops the environment: the setting goes through env.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
