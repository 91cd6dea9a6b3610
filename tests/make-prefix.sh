#!/bin/bash
# Prepares a Wine prefix that test runs copy: Windows 10, what most users run,
# no window manager stalls, and the bitmap "MS Sans Serif" so dialogs measure
# as on Windows.
# Usage: make-prefix.sh DIR [win64|win32]
set -eu
dir=$(realpath -m "$1")
arch=${2:-win64}
[ -f "$dir/.ready" ] && exit 0
mkdir -p "$(dirname "$dir")"
exec 9>"$dir.lock"
flock 9
[ -f "$dir/.ready" ] && exit 0
rm -rf "$dir"

export WINEPREFIX=$dir WINEARCH=$arch WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
export HOME="$dir.home"
mkdir -p "$HOME"
unset DISPLAY

wine wineboot -i
wine winecfg -v win10
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null
cp /usr/share/wine/fonts/sserife.fon "$dir/drive_c/windows/Fonts/"
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' \
    /v 'MS Sans Serif 8,10,12,14,18,24' /t REG_SZ /d sserife.fon /f >/dev/null
wineserver -k
touch "$dir/.ready"
echo "prepared $arch prefix $dir"
