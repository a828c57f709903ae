#!/bin/sh
# Checks that make the release file trustworthy.
#   reproducible SOURCE-DIR EXE WORK-DIR
#       copies the checkout's tracked files to another place, builds QuelmarSetup.exe there in
#       another build folder, and compares the SHA-256 of the two unsigned files
#   sign SIGN-SCRIPT EXE MSI WORK-DIR
#       makes a throwaway code-signing certificate, signs copies of the program
#       and the sample package with the build's signing script, verifies both
#       against that certificate, and sees a flipped byte fail the check; the
#       signed program is left in WORK-DIR for the install test
#   build-signing SOURCE-DIR WORK-DIR
#       makes a throwaway code-signing certificate and builds the program and
#       the sample package in a build folder of their own, given the
#       certificate as cache variables while the environment variables of the
#       same names name files that do not exist; both built files must verify,
#       and the program in the package must be the signed program, byte for byte
set -u
check=$1
fail() { echo "FAIL: $*"; exit 1; }

# copy_unsigned FILE TO: a signed build's file with its signature taken off
# (osslsigncode gives back the file as it was before signing).
copy_unsigned() {
    if osslsigncode extract-signature -in "$1" -out "$2.signature" >/dev/null 2>&1; then
        osslsigncode remove-signature -in "$1" -out "$2" >/dev/null || fail "cannot unsign $1"
    else
        cp "$1" "$2"
    fi
    rm -f "$2.signature"
}

# flip_byte FILE OFFSET: inverts the lowest bit of one byte.
flip_byte() {
    byte=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
    printf "\\$(printf %o $((byte ^ 1)))" | dd of="$1" bs=1 seek="$2" conv=notrunc 2>/dev/null
}

verifies() { osslsigncode verify -CAfile "$work/signer.pem" -in "$1" >"$1.verify.txt" 2>&1; }

# make_certificate: a throwaway code-signing certificate (signer.pem), in a
# PKCS#12 file (signer.p12) with its password (password.txt), in $work.
make_certificate() {
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=QuelmarSetup throwaway test signer" \
        -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
        -keyout "$work/signer.key" -out "$work/signer.pem" 2>/dev/null || fail "openssl cannot make a certificate"
    printf 'throwaway\n' >"$work/password.txt"
    openssl pkcs12 -export -inkey "$work/signer.key" -in "$work/signer.pem" \
        -passout "file:$work/password.txt" -out "$work/signer.p12" || fail "openssl cannot make a PKCS#12 file"
}

# verifies_sha256 FILE: signed with SHA-256 by the throwaway certificate.
verifies_sha256() {
    verifies "$1" || { cat "$1.verify.txt"; fail "$1 does not verify"; }
    grep -q "^Message digest algorithm *: SHA256" "$1.verify.txt" || { cat "$1.verify.txt"; fail "$1 is not signed with SHA-256"; }
}

case $check in
reproducible)
    source=$2 exe=$3 work=$4
    rm -rf "$work"
    mkdir -p "$work/checkout"
    # The tracked files only, as they are now: nothing untracked or built comes along.
    (cd "$source" && git ls-files -z --cached | tar --null -T - -cf -) \
        | tar -xf - -C "$work/checkout" || fail "cannot copy the checkout"
    (cd "$work/checkout" &&
     env -u QUELMAR_SIGN_PKCS12 -u QUELMAR_SIGN_PASSWORD_FILE sh -c \
         'cmake --preset mingw -DQUELMAR_BUILD_TESTS=OFF && cmake --build --preset mingw --target QuelmarSetup') \
        >"$work/build.log" 2>&1 || { cat "$work/build.log"; fail "the second build failed"; }
    copy_unsigned "$exe" "$work/first.exe"
    first=$(sha256sum <"$work/first.exe" | cut -d' ' -f1)
    second=$(sha256sum <"$work/checkout/build/QuelmarSetup.exe" | cut -d' ' -f1)
    echo "built here:      $first  $exe"
    echo "built elsewhere: $second  $work/checkout/build/QuelmarSetup.exe"
    [ "$first" = "$second" ] || {
        cmp -l "$work/first.exe" "$work/checkout/build/QuelmarSetup.exe" | head -20
        fail "two builds of the same sources differ"
    }
    echo "reproducible: SHA-256 $first"
    ;;
sign)
    sign=$2 exe=$3 msi=$4 work=$5
    rm -rf "$work"
    mkdir -p "$work"
    make_certificate
    copy_unsigned "$exe" "$work/QuelmarSetup.exe"
    copy_unsigned "$msi" "$work/QuelmarSample.msi"
    for file in "$work/QuelmarSetup.exe" "$work/QuelmarSample.msi"; do
        "$sign" "$work/signer.p12" "$work/password.txt" "$file" || fail "signing $file failed"
        verifies_sha256 "$file"
        echo "signed and verified: $file"
    done

    # A signing that fails leaves the file as it was; no signing leaves a
    # temporary file beside its file.
    cp "$work/QuelmarSetup.exe" "$work/unsignable.exe"
    printf 'wrong\n' >"$work/wrong-password.txt"
    if "$sign" "$work/signer.p12" "$work/wrong-password.txt" "$work/unsignable.exe" 2>/dev/null; then
        fail "signing with a wrong password succeeded"
    fi
    cmp -s "$work/QuelmarSetup.exe" "$work/unsignable.exe" || fail "a failed signing changed the file"
    left=$(find "$work" -maxdepth 1 -name '*.signing.*')
    [ -z "$left" ] || fail "signing left temporary files: $left"
    echo "a failed signing left the file as it was, and no signing left a temporary file"

    # One bit changed in the program's code, and one in the package's
    # cabinet (the file's bytes outside its streams are not signed).
    cp "$work/QuelmarSetup.exe" "$work/tampered.exe"
    flip_byte "$work/tampered.exe" 1100
    cp "$work/QuelmarSample.msi" "$work/tampered.msi"
    cabinet=$(grep -obUa MSCF "$work/tampered.msi" | head -1 | cut -d: -f1)
    [ -n "$cabinet" ] || fail "no cabinet found in the package"
    flip_byte "$work/tampered.msi" $((cabinet + 64))
    for file in "$work/tampered.exe" "$work/tampered.msi"; do
        if verifies "$file"; then fail "$file verifies after a byte was flipped"; fi
        echo "rejected after a flipped byte: $file"
    done
    ;;
build-signing)
    source=$2 work=$3
    rm -rf "$work"
    mkdir -p "$work"
    make_certificate
    build=$work/build
    # Were the environment variables used, signing would fail on the missing files.
    (export QUELMAR_SIGN_PKCS12=$work/absent.p12 QUELMAR_SIGN_PASSWORD_FILE=$work/absent.txt
     cmake --preset mingw -S "$source" -B "$build" -DQUELMAR_BUILD_TESTS=OFF \
           -DQUELMAR_SIGN_PKCS12="$work/signer.p12" -DQUELMAR_SIGN_PASSWORD_FILE="$work/password.txt" &&
     cmake --build "$build" --target QuelmarSetup sample_package) \
        >"$work/build.log" 2>&1 || { cat "$work/build.log"; fail "the signed build failed"; }
    grep -qxF -- "-- Signing with $work/signer.p12" "$work/build.log" ||
        { cat "$work/build.log"; fail "the build did not sign with the cache variables' certificate"; }
    for file in "$build/QuelmarSetup.exe" "$build/QuelmarSample.msi"; do
        verifies_sha256 "$file"
        echo "built signed: $file"
    done
    msiextract -C "$work/extracted" "$build/QuelmarSample.msi" >/dev/null || fail "msiextract cannot read the package"
    packaged=$(find "$work/extracted" -name QuelmarSetup.exe)
    [ -n "$packaged" ] || fail "no QuelmarSetup.exe in the package"
    cmp "$packaged" "$build/QuelmarSetup.exe" || fail "the package holds another QuelmarSetup.exe than the signed one"
    echo "the package holds the signed program: $packaged"
    ;;
*)
    fail "unknown check $check"
    ;;
esac
