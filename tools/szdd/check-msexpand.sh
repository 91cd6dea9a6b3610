#!/bin/bash
# check-msexpand.sh SZDD: compresses a corpus and expands each file back with msexpand;
# each must come back byte for byte, with the name's last character in the header.
set -u
szdd=${1:?usage: check-msexpand.sh SZDD}
command -v msexpand > /dev/null || { echo "msexpand not found (package mscompress)"; exit 1; }
dir=$(mktemp -d) && trap 'rm -rf "$dir"' EXIT
. "$(dirname "$0")/corpus.sh"
make_corpus "$dir/in"
mkdir "$dir/sz" "$dir/out"
passed=0 failed=0
for f in "$dir"/in/*; do
  name=${f##*/}
  if ! "$szdd" "$f" "$dir/sz/$name"; then
    echo "FAIL $name: szdd failed"; failed=$((failed + 1)); continue
  fi
  msexpand < "$dir/sz/$name" > "$dir/out/$name"
  last=$(od -An -tu1 -j9 -N1 "$dir/sz/$name" | tr -d ' ')
  if ! cmp -s "$f" "$dir/out/$name"; then
    echo "FAIL $name: expands differently"; failed=$((failed + 1))
  elif [ "$last" != "$(printf '%d' "'${name: -1}")" ]; then
    echo "FAIL $name: header names last character $last"; failed=$((failed + 1))
  else
    echo "ok   $name $(stat -c %s "$f") -> $(stat -c %s "$dir/sz/$name")"; passed=$((passed + 1))
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
