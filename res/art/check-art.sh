#!/bin/sh
# Validates the generated picture, icons and licence fragment in OUTDIR, then
# runs the generators again and checks that they give the same bytes.
#
# usage: check-art.sh OUTDIR
# env:   PYTHON (optional)
set -eu
[ $# -eq 1 ] || { echo "usage: check-art.sh OUTDIR" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
python=${PYTHON:-python3}
out=$1
status=0

"$python" -B "$here/check_art.py" "$out" || status=1

again=$(mktemp -d "${TMPDIR:-/tmp}/art-again.XXXXXX")
trap 'rm -rf "$again"' EXIT
"$python" -B "$here/mkart.py" "$again"
"$python" -B "$here/mklicence.py" "$here/../licence.txt" "$again/licence.rc"
for f in tarven.bmp tarven-plain.bmp quill.ico folder.ico up.ico newfolder.ico licence.rc; do
    if cmp -s "$out/$f" "$again/$f"; then
        echo "ok   $f: a fresh run gives the same bytes"
    else
        echo "FAIL $f: a fresh run of the generators gives other bytes"
        status=1
    fi
done
[ "$status" -eq 0 ] && echo "check-art: PASSED" || echo "check-art: FAILED"
exit "$status"
