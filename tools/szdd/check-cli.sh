#!/bin/bash
# check-cli.sh SZDD: every failure gives a non-zero exit and a message naming its cause.
set -u
szdd=${1:?usage: check-cli.sh SZDD}
dir=$(mktemp -d) && trap 'rm -rf "$dir"' EXIT
printf 'some text to compress, some text to compress\n' > "$dir/in.txt"
head -c 100000 /usr/bin/ls > "$dir/big.bin"
failed=0

# expect NAME STATUS MESSAGE ARGS...: STATUS "ok" or "fail"; MESSAGE must appear on stderr.
expect() {
  local name=$1 want=$2 message=$3 status
  shift 3
  "$szdd" "$@" > "$dir/stdout" 2> "$dir/stderr"
  status=$?
  if [ "$want" = ok ] && [ "$status" -eq 0 ] && [ ! -s "$dir/stderr" ]; then
    echo "ok   $name"
  elif [ "$want" = fail ] && [ "$status" -ne 0 ] && grep -q -- "$message" "$dir/stderr"; then
    echo "ok   $name: $(cat "$dir/stderr")"
  else
    echo "FAIL $name: status $status, stderr: $(cat "$dir/stderr")"; failed=$((failed + 1))
  fi
}

expect "compresses" ok "" "$dir/in.txt" "$dir/out.tx_"
expect "no arguments" fail "usage: szdd INPUT OUTPUT"
expect "one argument" fail "usage: szdd INPUT OUTPUT" "$dir/in.txt"
expect "three arguments" fail "usage: szdd INPUT OUTPUT" "$dir/in.txt" "$dir/a" "$dir/b"
expect "missing input" fail "cannot read '$dir/none': No such file or directory" \
  "$dir/none" "$dir/out"
expect "input is a folder" fail "cannot read '$dir': Is a directory" "$dir" "$dir/out"
expect "missing output folder" fail "cannot write '$dir/no/out': No such file or directory" \
  "$dir/in.txt" "$dir/no/out"
expect "output is a folder" fail "cannot write '$dir': Is a directory" "$dir/in.txt" "$dir"
expect "full disk" fail "cannot write '/dev/full': No space left on device" "$dir/in.txt" /dev/full

# A write cut short (file size limit) must not leave a partial output behind.
(
  ulimit -f 1 && trap '' XFSZ
  expect "write cut short" fail "cannot write '$dir/cut': File too large" "$dir/big.bin" "$dir/cut"
  exit "$failed"
)
failed=$?
if [ -e "$dir/cut" ]; then
  echo "FAIL write cut short: partial output left"
  failed=$((failed + 1))
fi

echo "$failed failed"
[ "$failed" -eq 0 ]
