#!/bin/bash
# "make bench": figures about the installer. Timings vary with the machine's load;
# they are printed, never checked.
set -eu
build=$(realpath "${1:-build}")
here=$(cd "$(dirname "$0")" && pwd)
exe=$build/setup.exe
export QM_WINE_TEMPLATES=$build/wine
driver=$build/tests/e2e/driver.exe

echo "== setup.exe's size in bytes (the build is reproducible: sizes are exact)"
"$here/../tests/check-shipped.sh" sizes "$build" || true
echo "  beside NSIS 3.11's whole installer stub, its compressor included: 38912"

"$here/../tests/i386-emulated.sh" && echo "(32-bit programs are emulated here: slow timings)"
for kind in win32 win64; do
    echo "== setup.exe on $kind under Wine: launch to first paint, then the copy stage"
    "$here/../tests/wine-run.sh" --kind $kind -- "$driver" first_paint "@$exe" 5 |
        grep -v 'passed,'
    "$here/../tests/wine-run.sh" --kind $kind -- "$driver" copy_stage "@$exe" 3 |
        grep -v 'passed,'
done

echo "== SZDD compressor against mscompress"
"$here/szdd/bench.sh" "$build/host" "$build"/payload/*.* "$build"/payload/lists/*
