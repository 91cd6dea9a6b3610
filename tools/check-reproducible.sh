#!/bin/bash
# Builds the product tree a second time, of BUILD's VERSION, from a copy of the sources in a
# folder of another name and length, and compares setup.exe and every payload file with
# BUILD's byte for byte; none of them may hold the build's folders or the machine's host or
# user name.
# Usage: check-reproducible.sh BUILD VERSION
set -euo pipefail
build=$(realpath "$1")
version=$2
source=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d /tmp/quillmere-reproducible.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
copy=$scratch/another-folder-with-a-longer-name/src
mkdir -p "$copy"
git -C "$source" ls-files -z --cached --others --exclude-standard |
    tar -C "$source" --null -T - -cf - | tar -C "$copy" -xf -
cmake -S "$copy" -B "$copy/out" -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/mingw-i686.cmake" \
    -DHOST_TOOLS_DIR="$build/host" -DQUILLMERE_VERSION="$version" -DBUILD_TESTING=OFF >/dev/null
cmake --build "$copy/out" -j2 >/dev/null

# Words too short to mean anything in a binary are not looked for.
words=("$source" "$copy")
for word in "$HOME" "$(hostname)"; do
    [ ${#word} -ge 6 ] && words+=("$word")
done
status=0
files=(setup.exe $(cd "$build" && find payload -type f | sort))
for file in "${files[@]}"; do
    if ! cmp -s "$build/$file" "$copy/out/$file"; then
        echo "differs: $file"
        status=1
    fi
    for word in "${words[@]}"; do
        if grep -qF -- "$word" "$build/$file"; then
            echo "$file holds \"$word\""
            status=1
        fi
    done
done
[ ${#files[@]} -gt 14 ] || { echo "only ${#files[@]} files to compare"; status=1; }
[ $status -eq 0 ] && echo "${#files[@]} files built alike in $source and $copy"
exit $status
