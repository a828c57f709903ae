#!/bin/sh
# Checks the built QuelmarSetup.exe itself.
#   imports: it imports only Windows' own DLLs (no runtime DLL beside it)
#   size:    the release build stays at or under 32 KiB
#   pe:      PE32 x86, GUI subsystem, Windows 6.0 (Vista) and later, ASLR with its relocations,
#            DEP, no SEH, elevated and DPI-aware manifest listing Vista to 11, version resource
set -u
check=$1
exe=$2
objdump=i686-w64-mingw32-objdump
strings=i686-w64-mingw32-strings

fail() { echo "FAIL: $*"; exit 1; }

case $check in
imports)
    dlls=$($objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
    [ -n "$dlls" ] || fail "no import table found"
    echo "imports:" $dlls
    for dll in $dlls; do
        case $dll in
        kernel32.dll|ntdll.dll|user32.dll|advapi32.dll|shell32.dll|ole32.dll|oleaut32.dll|msvcrt.dll) ;;
        *) fail "imports $dll, which is not one of Windows' own DLLs" ;;
        esac
    done
    ;;
size)
    size=$(stat -c %s "$exe")
    echo "size: $size bytes (limit 32768)"
    $objdump -h "$exe" | awk '$1 ~ /^[0-9]+$/ { printf "  %-9s %6d bytes\n", $2, ("0x" $3) + 0 }'
    [ "$size" -le 32768 ] || fail "QuelmarSetup.exe is $size bytes, over 32 KiB"
    ;;
pe)
    headers=$($objdump -p "$exe")
    echo "$headers" | grep -q "^Magic.*010b" || fail "not PE32"
    echo "$headers" | grep -q "^Subsystem.*(Windows GUI)" || fail "not a GUI program"
    $objdump -f "$exe" | grep -q "architecture: i386" || fail "not x86"
    # It cannot start before Vista, and its header says so.
    for field in MajorOSystemVersion:6 MinorOSystemVersion:0 MajorSubsystemVersion:6 MinorSubsystemVersion:0; do
        echo "$headers" | grep -qx "${field%:*}\s*${field#*:}" || fail "${field%:*} is not ${field#*:}"
    done
    # ASLR moves the program only when its relocations are kept.
    echo "$headers" | grep -qx "\s*DYNAMIC_BASE" || fail "no DYNAMIC_BASE (ASLR)"
    echo "$headers" | grep -q "relocations stripped" && fail "relocations stripped: ASLR cannot move it"
    echo "$headers" | grep -q "^Entry 5 0*[1-9a-f][0-9a-f]* [0-9a-f]*[1-9a-f][0-9a-f]* Base Relocation" \
        || fail "no base relocations"
    echo "$headers" | grep -qx "\s*NX_COMPAT" || fail "no NX_COMPAT (DEP)"
    # No structured exception handler: one overwritten on the stack is never called.
    echo "$headers" | grep -qx "\s*NO_SEH" || fail "no NO_SEH"
    ascii=$($strings -n 6 "$exe")
    echo "$ascii" | grep -q 'requestedExecutionLevel level="requireAdministrator" uiAccess="false"' \
        || fail "manifest does not require administrator"
    for os in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
              1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
        echo "$ascii" | grep -q "supportedOS Id=\"{$os}\"" || fail "manifest lacks supportedOS $os"
    done
    echo "$ascii" | grep -q '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>' \
        || fail "manifest does not declare the program DPI-aware"
    wide=$($strings -el -n 4 "$exe")
    for text in CompanyName Tarvolund ProductName "Tarvo Quelmar" FileDescription \
                "Tarvo Quelmar Setup" FileVersion ProductVersion; do
        echo "$wide" | grep -qx "$text" || fail "version resource lacks \"$text\""
    done
    echo "PE32 x86 GUI program for Windows 6.0 and later, ASLR with relocations, DEP, no SEH, elevated DPI-aware manifest, version resource present"
    ;;
*)
    fail "unknown check $check"
    ;;
esac
