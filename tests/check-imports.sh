#!/bin/bash
# setup.exe imports, at start, only libraries that every Windows from 7 to 11 keeps on its
# protected list and so never loads from beside the program: a copy left in the download
# folder cannot come in before WinMain restricts the search. LZ32, COMCTL32 and VERSION are
# reached through delay-load thunks, from the system folder.
# Usage: check-imports.sh SETUP_EXE
set -uo pipefail
protected=" advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll user32.dll "
exe=$1
failures=0
kind=$(file -b "$exe")
imports=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
[[ $kind == "PE32 executable (GUI) Intel 80386"* ]] ||
    { echo "FAILED: $exe is $kind"; failures=$((failures + 1)); }
[ -n "$imports" ] || { echo "FAILED: $exe imports nothing"; failures=$((failures + 1)); }
for name in $imports; do
    [[ $protected == *" $name "* ]] && continue
    echo "FAILED: $exe imports $name, which may be loaded from beside it"
    failures=$((failures + 1))
done
echo "$exe: $kind; imports" $imports
exit $((failures > 0))
