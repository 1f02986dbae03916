#!/bin/sh
# Checks the 32-bit add-in DLL: the four COM exports by plain name with
# ordinals 1 to 4 and nothing else, system DLLs only among the imports, and
# the version block. Exit 77 (skipped) when the DLL has not been built.
DLL="$1"
[ -f "$DLL" ] || { echo "no i686 build at $DLL: skipped"; exit 77; }
OBJDUMP=i686-w64-mingw32-objdump
fail() { echo "FAIL: $*"; exit 1; }

$OBJDUMP -f "$DLL" | grep -q "file format pei-i386" || fail "not a 32-bit DLL"
DUMP=$($OBJDUMP -p "$DLL") || fail "objdump failed"

# Export table lines look like "[   0] +base[   1] 1234 Export RVA": the
# ordinal is the number after +base; the name table follows with the index.
EXPECTED="1 DllUnregisterServer
2 DllRegisterServer
3 DllCanUnloadNow
4 DllGetClassObject"
ACTUAL=$(echo "$DUMP" | awk '
  /Export Address Table/ { addr = 1; next }
  /\[Ordinal\/Name Pointer\] Table/ { addr = 0; names = 1; next }
  addr && /\+base\[/ { idx = $2; sub(/\]/, "", idx); ord = $4; sub(/\]/, "", ord); o[idx + 0] = ord + 0 }
  names && /^\t\[ *[0-9]+\] / { line = $0; sub(/^\t\[ */, "", line); i = line + 0; sub(/^[0-9]+\] /, "", line); n[i] = line }
  names && /^$/ { names = 0 }
  END { for (i in n) print o[i], n[i] }' | sort -n)
[ "$ACTUAL" = "$EXPECTED" ] || fail "exports are
$ACTUAL
expected
$EXPECTED"

IMPORTS=$(echo "$DUMP" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
for D in $IMPORTS; do
  case "$D" in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|ole32.dll|oleaut32.dll|comctl32.dll|comdlg32.dll|shell32.dll|\
    shlwapi.dll|wininet.dll|msvcrt.dll|version.dll|uxtheme.dll) ;;
    *) fail "imports $D, which is not a system DLL" ;;
  esac
done

RC=$(i686-w64-mingw32-windres -i "$DLL" -O rc) || fail "cannot read the resources"
for V in 'FILEVERSION 1, 0, 1, 26' 'PRODUCTVERSION 1, 0, 1, 26' '"CompanyName", "Morvane Software' \
         '"FileDescription", "Morvane COM Add-in' '"InternalName", "mvn_addin' \
         '"OriginalFilename", "mvn_addin.dll' '"ProductName", "Morvane' '"ProductVersion", "1.0.1.26'; do
  echo "$RC" | grep -aqF "$V" || fail "version block lacks $V"
done
echo "$RC" | grep -a -A6 '"MAINICON" 14' | grep -a -c ', 1, 24, ' | grep -qx 2 || fail "no MAINICON group of two 24-bit images"
echo "ok: exports, imports and resources of $DLL"
