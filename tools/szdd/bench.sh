#!/bin/bash
# bench.sh BUILD_DIR [FILE...]: output sizes of szdd against mscompress on the license
# texts, a few executables and FILE..., measured in this run; then szdd's speed on a
# several-megabyte executable ($SZDD_BENCH_FILE, default the largest of /usr/bin between
# 3 and 16 MB), the median of 5 runs.
set -eu
szdd=${1:?usage: bench.sh BUILD_DIR [FILE...]}/szdd
shift
command -v mscompress > /dev/null || { echo "mscompress not found (package mscompress)"; exit 1; }
dir=$(mktemp -d) && trap 'rm -rf "$dir"' EXIT

declare -A seen
total=0 ours_total=0 ms_total=0
printf '%-40s %10s %10s %10s %7s\n' file size szdd mscompress ratio
for f in /usr/share/common-licenses/* /usr/bin/ls /usr/bin/cp /usr/bin/tar /usr/bin/bash "$@"; do
  real=$(readlink -f "$f")
  [ -n "${seen[$real]:-}" ] && continue  # the license aliases are links
  seen[$real]=1
  "$szdd" "$f" "$dir/ours"
  cp "$f" "$dir/in"
  mscompress "$dir/in"  # writes in_
  size=$(stat -c %s "$real") ours=$(stat -c %s "$dir/ours") ms=$(stat -c %s "$dir/in_")
  printf '%-40s %10d %10d %10d %7.4f\n' "$real" "$size" "$ours" "$ms" \
    "$(echo "$ours / $ms" | bc -l)"
  total=$((total + size)) ours_total=$((ours_total + ours)) ms_total=$((ms_total + ms))
  rm -f "$dir/in_"
done
printf '%-40s %10d %10d %10d %7.4f\n' total "$total" "$ours_total" "$ms_total" \
  "$(echo "$ours_total / $ms_total" | bc -l)"
printf 'szdd is %.2f %% smaller than mscompress in total\n' \
  "$(echo "100 * (1 - $ours_total / $ms_total)" | bc -l)"

exe=${SZDD_BENCH_FILE:-$(find /usr/bin -maxdepth 1 -type f -size +3M -size -16M -printf '%s %p\n' |
  sort -n | tail -1 | cut -d' ' -f2)}
[ -f "$exe" ] || { echo "no executable of 3 to 16 MB in /usr/bin: set SZDD_BENCH_FILE"; exit 1; }
size=$(stat -c %s "$exe")
for run in 1 2 3 4 5; do
  /usr/bin/time -f '%e %U %S' -o "$dir/time" "$szdd" "$exe" "$dir/speed"
  cat "$dir/time"
done | sort -n > "$dir/times"
read -r wall user sys < <(sed -n 3p "$dir/times")  # the median run by wall time
printf 'speed on %s (%d bytes): %.1f MB/s wall (%.2f s), %.1f MB/s CPU (%.2f s user+sys)\n' \
  "$exe" "$size" "$(echo "$size / 1000000 / $wall" | bc -l)" "$wall" \
  "$(echo "$size / 1000000 / ($user + $sys)" | bc -l)" "$(echo "$user + $sys" | bc -l)"
