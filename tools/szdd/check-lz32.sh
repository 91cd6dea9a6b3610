#!/bin/bash
# check-lz32.sh LZCHECK_EXE SZDD: compresses the corpus and has lzcheck.exe expand every
# file through the platform's LZ32 under Wine (through the tests' Wine harness, which
# needs QM_WINE_TEMPLATES).
set -u
lzcheck=${1:?usage: check-lz32.sh LZCHECK_EXE SZDD}
szdd=${2:?usage: check-lz32.sh LZCHECK_EXE SZDD}
dir=$(mktemp -d) && trap 'rm -rf "$dir"' EXIT
. "$(dirname "$0")/corpus.sh"
make_corpus "$dir/in"
mkdir "$dir/sz"
pairs=()
for f in "$dir"/in/*; do
  name=${f##*/}
  "$szdd" "$f" "$dir/sz/$name" || exit 1
  pairs+=("$dir/sz/$name" "$f")  # Wine takes Unix paths as paths on drive Z:
done
"$(dirname "$0")/../../tests/wine-run.sh" -- "$lzcheck" "${pairs[@]}"
