#!/bin/bash
# "make run": the installer under Wine. On $DISPLAY when there is one, for a person
# to use; otherwise on a private screen, walked through unattended and photographed
# into BUILD/screens.
set -eu
build=$(realpath "${1:-build}")
here=$(cd "$(dirname "$0")" && pwd)
export QM_WINE_TEMPLATES=$build/wine
template=$QM_WINE_TEMPLATES/win64
"$here/make-prefix.sh" "$template" win64 >/dev/null

if [ -n "${DISPLAY:-}" ]; then
    prefix=$build/wine/interactive
    [ -d "$prefix" ] || cp -a "$template" "$prefix"
    mkdir -p "$build/wine/interactive.home"
    WINEPREFIX=$prefix HOME=$build/wine/interactive.home WINEDEBUG=-all \
        WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml=" wine "$build/setup.exe"
    exit
fi

screens=$build/screens
rm -rf "$screens"
mkdir -p "$screens"
# Where 32-bit programs are emulated, every wait is twice as long.
if "$here/i386-emulated.sh"; then export QM_WAIT_MS=${QM_WAIT_MS:-30000}; fi
"$here/wine-run.sh" -- "$build/tests/e2e/driver.exe" walk "@$build/setup.exe" "@$screens"
for picture in "$screens"/*.bmp; do
    convert "$picture" -alpha off "${picture%.bmp}.png" && rm "$picture"
done
echo "screens:"
ls "$screens"
