#!/bin/bash
# check-lz32.sh LZCHECK_EXE SZDD: compresses the corpus and has lzcheck.exe expand every
# file through the platform's LZ32 under Wine. Uses $WINEPREFIX if set (a prepared prefix
# saves minutes), else a fresh prefix that is removed afterwards.
set -u
lzcheck=${1:?usage: check-lz32.sh LZCHECK_EXE SZDD}
szdd=${2:?usage: check-lz32.sh LZCHECK_EXE SZDD}
command -v wine > /dev/null || { echo "wine not found"; exit 1; }
dir=$(mktemp -d) && trap 'rm -rf "$dir"' EXIT
. "$(dirname "$0")/corpus.sh"
make_corpus "$dir/in"
mkdir "$dir/sz" "$dir/home"
pairs=()
for f in "$dir"/in/*; do
  name=${f##*/}
  "$szdd" "$f" "$dir/sz/$name" || exit 1
  pairs+=("$dir/sz/$name" "$f")  # Wine takes Unix paths as paths on drive Z:
done
HOME=$dir/home WINEPREFIX=${WINEPREFIX:-$dir/prefix} WINEDEBUG=-all \
  WINEDLLOVERRIDES=winemenubuilder.exe=d wine "$lzcheck" "${pairs[@]}"
