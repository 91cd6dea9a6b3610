#!/bin/bash
# Checks the built payload: check-payload.sh BUILD_DIR
#  1. the fourteen files in BUILD_DIR/payload and their formats
#     (tests/check_payload.py);
#  2. the generators on good and faulty sources (tests/test_*.py);
#  3. under Wine: the libraries' exports called by payload-selftest.exe, and
#     each program showing its titled window and ending when closed:
#     quillmere.exe with status 0, removequill.exe (nothing is installed here)
#     with status 1605, of which Wine hands the low byte to this side.
# PAYLOAD_SKIP_WINE=1 skips step 3. PAYLOAD_WINE_PREFIX names the 32-bit prefix
# to use; by default BUILD_DIR/payload-test/wine-prefix is made once.
# PAYLOAD_WINE_TIMEOUT is the limit of each step in seconds (default 120). An
# Xvfb of its own serves as display.
set -u

if [ $# -ne 1 ] || [ ! -d "$1/payload" ]; then
    echo "usage: $0 BUILD_DIR   (with a payload folder)" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
limit=${PAYLOAD_WINE_TIMEOUT:-120}
status=0

fail() {
    echo "FAIL $*"
    status=1
}

python3 "$here/tests/check_payload.py" "$build" || status=1
python3 -m unittest discover -s "$here/tests" -p 'test_*.py' || status=1

if [ "${PAYLOAD_SKIP_WINE:-0}" = 1 ]; then
    echo "skipped the Wine checks (PAYLOAD_SKIP_WINE=1)"
    exit $status
fi

prefix=${PAYLOAD_WINE_PREFIX:-$build/payload-test/wine-prefix}
"$here/../tests/make-prefix.sh" "$prefix" win32 || { fail "could not make the Wine prefix"; exit 1; }
export WINEPREFIX=$prefix HOME=$prefix.home WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="

work=$(mktemp -d)
xvfb_pid=
cleanup() {
    wineserver -k 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

exec 8>"$work/display"
Xvfb -displayfd 8 -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { fail "Xvfb did not start"; exit 1; }
export DISPLAY=:$(cat "$work/display")
wineserver -p

# The self-test finds the DLLs beside it, as the program will.
cp "$build/payload-test/payload-selftest.exe" "$build"/payload/*.dll \
   "$build/payload/qmcore.cfg" "$work/"
cp "$here/notes.txt" "$work/notes.txt"
cp "$here/notes.txt" "$work/packed.txt"
szdd_args=()
if command -v mscompress >/dev/null && mscompress "$work/packed.txt" &&
    [ -f "$work/packed.txt_" ]; then
    szdd_args=(packed.txt_ notes.txt)
else
    echo "note: mscompress missing; the SZDD check uses built-in samples only"
fi
(cd "$work" && timeout "$limit" wine payload-selftest.exe libs qmcore.cfg "${szdd_args[@]}") ||
    fail "library self-test"

# Programs: the titled window must appear on the X display, then close
# normally when asked, ending with the expected status.
check_program() {
    local exe=$1 title=$2 expected=$3 found=0 pid rc
    wine "$build/payload/$exe" &
    pid=$!
    for _ in $(seq $((limit * 5))); do
        if xwininfo -root -tree 2>/dev/null | grep -qF " \"$title\": "; then
            found=1
            break
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.2
    done
    [ $found = 1 ] || fail "$exe: no window \"$title\" on $DISPLAY"
    (cd "$work" && timeout "$limit" wine payload-selftest.exe close "$title" 10000) ||
        fail "$exe: could not close \"$title\""
    for _ in $(seq $((limit * 5))); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.2
    done
    if kill -0 "$pid" 2>/dev/null; then
        fail "$exe: still running $limit s after WM_CLOSE"
        wineserver -k
    fi
    wait "$pid"
    rc=$?
    [ $rc = "$expected" ] || fail "$exe: exit status $rc after closing, expected $expected"
    [ $found = 1 ] && [ $rc = "$expected" ] &&
        echo "ok   $exe shows \"$title\" and ends with status $expected"
}
check_program quillmere.exe "Quillmere" 0
# Nothing is installed in this prefix: the uninstaller says so.
check_program removequill.exe "Remove Quillmere" $((1605 % 256))

[ $status = 0 ] && echo "payload checks passed" || echo "payload checks FAILED"
exit $status
