# Sourced by the check scripts: make_corpus DIR fills DIR with real files of this machine
# (texts, executables, already-compressed data) and edge cases.
make_corpus() {
  mkdir -p "$1"
  cp /usr/share/common-licenses/* "$1"/
  for exe in ls cp gzip; do cp "/usr/bin/$exe" "$1/$exe.bin"; done
  gzip -9 -n -c /usr/bin/ls > "$1/ls.gz"
  : > "$1/empty.txt"
  head -c 10000 /dev/zero | tr '\0' ' ' > "$1/spaces.txt"
  { head -c 100 /dev/zero | tr '\0' ' '; printf 'indented\n   text\n'; } > "$1/indented.txt"
}
