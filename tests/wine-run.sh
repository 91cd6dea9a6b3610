#!/bin/bash
# Runs one Windows program in a fresh copy of a prepared test prefix, on a private Xvfb,
# and ends every process it started, whatever happens.
# Usage: wine-run.sh [--kind win32|win64] [--screen WxH] [--keep DIR] [--drive LETTER:SIZE]...
#                    [--prepare COMMAND]... -- PROGRAM [ARGS...]
# The kind of Windows is a 32-bit one (win32) or a 64-bit one (win64, the default), whose
# prepared prefix is QM_WINE_TEMPLATES/KIND, made by make-prefix.sh when it is missing.
# Arguments of the form @unix-path are handed over as Windows paths. Each --drive adds a
# drive of that letter whose free space is an empty tmpfs of SIZE (as mount takes it:
# 5344k); making one needs the right to mount, and without it the run is skipped (77).
# Each --prepare COMMAND runs with the fresh prefix's folder as its argument, before
# anything starts in it.
set -u
kind=win64
screen=1024x768
keep=
drives=()
prepare=()
while [ $# -gt 0 ]; do
    case $1 in
        --kind) kind=$2; shift 2 ;;
        --screen) screen=$2; shift 2 ;;
        --keep) keep=$2; shift 2 ;;
        --drive) drives+=("$2"); shift 2 ;;
        --prepare) prepare+=("$2"); shift 2 ;;
        --) shift; break ;;
        *) echo "wine-run.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
template=${QM_WINE_TEMPLATES:?QM_WINE_TEMPLATES names the folder of the prepared prefixes}/$kind
here=$(cd "$(dirname "$0")" && pwd)
"$here/make-prefix.sh" "$template" "$kind" >/dev/null || exit 1

scratch=$(mktemp -d "$(dirname "$template")/run.XXXXXX")
xvfb_pid=
cleanup() {
    WINEPREFIX=$scratch/prefix wineserver -k 2>/dev/null
    for mount in "$scratch"/drive_*; do
        mountpoint -q "$mount" && umount "$mount"
    done
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    if [ -n "$keep" ]; then rm -rf "$keep"; mv "$scratch" "$keep"; else rm -rf "$scratch"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if ! cp -a --reflink=auto "$template" "$scratch/prefix"; then
    echo "wine-run.sh: the prefix could not be copied; free space: $(df -h --output=avail "$scratch" | tail -1)" >&2
    exit 1
fi
for command in "${prepare[@]}"; do
    "$command" "$scratch/prefix" || exit 1
done
for drive in "${drives[@]}"; do
    letter=${drive%%:*}
    size=${drive#*:}
    mkdir "$scratch/drive_$letter"
    if ! mount -t tmpfs -o "size=$size" tmpfs "$scratch/drive_$letter" 2>/dev/null; then
        echo "wine-run.sh: skipped: cannot mount a $size drive $letter: here" >&2
        exit 77
    fi
    ln -s "$scratch/drive_$letter" "$scratch/prefix/dosdevices/$letter:"
done
mkdir -p "$scratch/home"
exec 8>"$scratch/display"
Xvfb -displayfd 8 -screen 0 "${screen}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.05; done
display=$(cat "$scratch/display")
[ -n "$display" ] || { echo "wine-run.sh: Xvfb did not start" >&2; exit 1; }

export WINEPREFIX=$scratch/prefix HOME=$scratch/home DISPLAY=:$display WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
export QM_SCRATCH=$scratch
args=()
for arg in "$@"; do
    case $arg in
        @*) path=$(realpath -m "${arg#@}"); args+=("Z:${path//\//\\}") ;;
        *) args+=("$arg") ;;
    esac
done
wineserver -p
wine "${args[@]}"
