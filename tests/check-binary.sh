#!/bin/sh
# Checks the built QuelmarSetup.exe itself.
#   imports: it imports only Windows' own DLLs (no runtime DLL beside it)
#   size:    the release build stays at or under 32 KiB
#   pe:      PE32 x86, GUI subsystem, Windows 6.0 (Vista) and later, ASLR with its relocations,
#            DEP, no SEH, elevated and DPI-aware manifest listing Vista to 11 (read as XML with its
#            namespaces), version resource
set -u
check=$1
exe=$2
objdump=i686-w64-mingw32-objdump
objcopy=i686-w64-mingw32-objcopy
strings=i686-w64-mingw32-strings

fail() { echo "FAIL: $*"; exit 1; }

# The manifest Windows reads when the program starts: the resource of type 24 (RT_MANIFEST), id 1.
manifest() {
    set -- $($objdump -p "$exe" | tr -d , | awk '$1 == "Entry" && $2 == 2 { print $3 }
        /^[0-9a-f]+   Entry: ID:/ { type = $4 }
        /^[0-9a-f]+     Entry: ID:/ { id = $4 }
        /Leaf: Addr:/ && type == "0x000018" && id == "0x000001" { print $4, $6; exit }')
    [ $# -eq 3 ] && $objcopy -O binary --only-section=.rsrc "$exe" "$work/rsrc" &&
        tail -c +$(($2 - 0x$1 + 1)) "$work/rsrc" | head -c $(($3))
}

# The manifest read as Windows reads it, as XML with namespaces: an element
# in another namespace than Windows' own is ignored, whatever its name.
asm1=urn:schemas-microsoft-com:asm.v1 asm3=urn:schemas-microsoft-com:asm.v3
compat=urn:schemas-microsoft-com:compatibility.v1 settings=http://schemas.microsoft.com/SMI/2005/WindowsSettings
el() { printf "/*[local-name()='%s' and namespace-uri()='%s']" "$1" "$2"; }
count() { xmllint --xpath "count($1)" "$manifest" 2>/dev/null; }
check_manifest() {
    root=$(el assembly $asm1)
    level=$root$(el trustInfo $asm3)$(el security $asm3)$(el requestedPrivileges $asm3)$(el requestedExecutionLevel $asm3)
    [ "$(count "$level[@level='requireAdministrator' and @uiAccess='false']")" = 1 ] &&
        [ "$(count "//*[local-name()='requestedExecutionLevel']")" = 1 ] ||
        { echo "does not require administrator without UI access"; return 1; }
    for os in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
              1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
        [ "$(count "$root$(el compatibility $compat)$(el application $compat)$(el supportedOS $compat)[@Id='{$os}']")" = 1 ] ||
            { echo "lacks supportedOS $os"; return 1; }
    done
    [ "$(count "$root$(el application $asm3)$(el windowsSettings $asm3)$(el dpiAware $settings)[.='true']")" = 1 ] ||
        { echo "does not declare the program DPI-aware"; return 1; }
}

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
    work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
    manifest=$work/built.manifest
    manifest > "$manifest" && [ -s "$manifest" ] || fail "no manifest resource (type 24, id 1)"
    why=$(check_manifest) || fail "manifest $why"
    # The check itself refuses what Windows would ignore: each planted fault must change the manifest and fail it.
    built=$manifest
    for fault in "s|$compat|urn:schemas-microsoft-com:compatibility.v2|" '/<compatibility/,/<\/compatibility>/d' \
                 "s| xmlns=\"$settings\"||"; do
        manifest=$work/planted.manifest
        sed "$fault" "$built" > "$manifest"
        ! cmp -s "$built" "$manifest" || fail "planted fault $fault changed nothing"
        ! check_manifest > /dev/null || fail "manifest check passed with the planted fault $fault"
    done
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
