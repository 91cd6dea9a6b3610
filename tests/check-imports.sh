#!/bin/bash
# setup.exe and its twin import, at start, only libraries that every Windows from 7 to 11
# keeps on its protected list and so never loads from beside the program: a copy left in
# the download folder cannot come in before WinMain restricts the search. LZ32 and
# COMCTL32 are reached through delay-load thunks, from the system folder.
# Usage: check-imports.sh PRODUCT_DIR TWIN_DIR
set -uo pipefail
protected=" advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll user32.dll "
failures=0
check() { # setup.exe, what "file" must call it, the objdump that reads it
    local kind imports name
    kind=$(file -b "$1")
    imports=$("$3" -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
    [[ $kind == "$2"* ]] || { echo "FAILED: $1 is $kind"; failures=$((failures + 1)); }
    [ -n "$imports" ] || { echo "FAILED: $1 imports nothing"; failures=$((failures + 1)); }
    for name in $imports; do
        [[ $protected == *" $name "* ]] && continue
        echo "FAILED: $1 imports $name, which may be loaded from beside it"
        failures=$((failures + 1))
    done
    echo "$1: $kind; imports" $imports
}
check "$1/setup.exe" "PE32 executable (GUI) Intel 80386" i686-w64-mingw32-objdump
check "$2/setup.exe" "PE32+ executable (GUI) x86-64" x86_64-w64-mingw32-objdump
exit $((failures > 0))
