#!/bin/bash
# Ends whatever a test run under DIR left behind: wineservers, Wine programs, Xvfb,
# mounted drives.
dir=${1:?usage: sweep.sh DIR}
for pid in $(pgrep -f "$dir" 2>/dev/null); do
    [ "$pid" != $$ ] && kill -9 "$pid" 2>/dev/null
done
for prefix in "$dir"/run.*/prefix; do
    [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null
done
# Small drives of runs that were killed before they could unmount them.
for mount in "$dir"/run.*/drive_*; do
    mountpoint -q "$mount" && umount -l "$mount"
done
rm -rf "$dir"/run.*
exit 0
