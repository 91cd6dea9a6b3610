#!/bin/bash
# "make run": the installer under Wine. On $DISPLAY when there is one, for a person
# to use; otherwise on a private screen, walked through unattended and photographed
# into BUILD/screens.
set -eu
build=$(realpath "${1:-build}")
here=$(cd "$(dirname "$0")" && pwd)
export QM_WINE_TEMPLATE=$build/wine/template
"$here/make-prefix.sh" "$QM_WINE_TEMPLATE" >/dev/null

if [ -n "${DISPLAY:-}" ]; then
    prefix=$build/wine/interactive
    [ -d "$prefix" ] || cp -a "$QM_WINE_TEMPLATE" "$prefix"
    mkdir -p "$build/wine/interactive.home"
    WINEPREFIX=$prefix HOME=$build/wine/interactive.home WINEDEBUG=-all \
        WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml=" wine "$build/setup.exe"
    exit
fi

screens=$build/screens
rm -rf "$screens"
mkdir -p "$screens"
# The 32-bit installer may run under emulation here: give every wait minutes.
QM_WAIT_MS=${QM_WAIT_MS:-600000} "$here/wine-run.sh" -- \
    "$build/x64/tests/e2e/driver.exe" walk "@$build/setup.exe" "@$screens"
for picture in "$screens"/*.bmp; do
    convert "$picture" -alpha off "${picture%.bmp}.png" && rm "$picture"
done
echo "screens:"
ls "$screens"
