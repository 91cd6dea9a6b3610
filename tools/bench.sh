#!/bin/bash
# "make bench": figures about the installer. Timings vary with the machine's load;
# they are printed, never checked.
set -eu
build=$(realpath "${1:-build}")
here=$(cd "$(dirname "$0")" && pwd)
exe=$build/setup.exe
export QM_WINE_TEMPLATES=$build/wine
driver=$build/tests/e2e/driver.exe

section_bytes() { # sum of the raw sizes of the sections whose names match $2
    local total=0 name size
    while read -r name size; do
        total=$((total + 16#$size))
    done < <(i686-w64-mingw32-objdump -h "$1" | awk -v pattern="$2" '$2 ~ pattern { print $2, $3 }')
    echo $total
}
file_bytes() { stat -c %s "$@" 2>/dev/null | awk '{ total += $1 } END { print total + 0 }'; }

total=$(file_bytes "$exe")
code=$(section_bytes "$exe" '^\.text$')
resources=$(section_bytes "$exe" '^\.rsrc$')
payload=$(file_bytes "$build"/res/payload/*.szd)
picture=$(file_bytes "$build/res/tarven.bmp")
echo "== setup.exe: $total bytes"
echo "   code (.text)        $code"
echo "   resources (.rsrc)   $resources (payload $payload, picture $picture)"
echo "   everything else     $((total - code - resources))"
echo "   own overhead        $((total - payload - picture)) bytes (the exe less its payload and picture)"

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
