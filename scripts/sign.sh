#!/bin/sh
# sign.sh PKCS12 PASSWORD-FILE FILE
#
# Signs FILE (QuelmarSetup.exe or the MSI) in place with Authenticode, SHA-256,
# with the certificate and key in the PKCS#12 file. The signing time is the
# commit's (SOURCE_DATE_EPOCH when set), so that one commit signed with one
# certificate gives one file. QUELMAR_SIGN_TIMESTAMP_URL, when set, names an
# RFC 3161 time-stamping service to countersign with (needs the network).
set -eu
pkcs12=$1
password_file=$2
file=$3
here=$(cd "$(dirname "$0")" && pwd)

epoch=${SOURCE_DATE_EPOCH:-$(git -C "$here" log -1 --format=%ct 2>/dev/null || true)}
set -- -pkcs12 "$pkcs12" -readpass "$password_file" -h sha256 -n "Tarvo Quelmar Setup"
if [ -n "$epoch" ]; then set -- "$@" -time "$epoch"; fi
if [ -n "${QUELMAR_SIGN_TIMESTAMP_URL:-}" ]; then set -- "$@" -ts "$QUELMAR_SIGN_TIMESTAMP_URL"; fi

# A folder of its own beside FILE (osslsigncode writes only new files; the
# same file system, so the move replaces FILE at once), never left behind.
signing=$(mktemp -d "$file.signing.XXXXXX")
trap 'rm -rf "$signing"' EXIT
trap 'exit 1' HUP INT TERM
osslsigncode sign "$@" -in "$file" -out "$signing/signed" >/dev/null
mv -f "$signing/signed" "$file"
echo "signed $file"
