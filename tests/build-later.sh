#!/bin/bash
# The later version that the version scenarios install over BUILD's: the product of the
# version after VERSION (its last part one more), built in BUILD/later with BUILD's host
# tools. First, versions that are not four numbers of 0 to 65535 stop the configuration,
# each named in the message.
# Usage: build-later.sh BUILD VERSION
set -uo pipefail
build=$(realpath "$1")
version=$2
source=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d /tmp/quillmere-version.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
status=0
for bad in 1.2.3 1.2.3.4.5 65536.0.0.0 1.0.0.01 1.0.0.x ""; do
    said=$(cmake -S "$source" -B "$scratch/tree" -DQUILLMERE_VERSION="$bad" 2>&1)
    if [ $? -eq 0 ] || ! tr -s ' \n' ' ' <<<"$said" | grep -qF "VERSION=$bad is not a version"; then
        echo "FAILED: VERSION=\"$bad\" is not refused by name: $said"
        status=1
    fi
    rm -rf "$scratch/tree"
done

IFS=. read -r a b c d <<<"$version"
next=$(((a << 48 | b << 32 | c << 16 | d) + 1))
later=$((next >> 48 & 0xFFFF)).$((next >> 32 & 0xFFFF)).$((next >> 16 & 0xFFFF)).$((next & 0xFFFF))
[ "$next" -ne 0 ] || { echo "FAILED: no version is later than $version"; exit 1; }
cmake -S "$source" -B "$build/later" -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-i686.cmake" \
    -DHOST_TOOLS_DIR="$build/host" -DQUILLMERE_VERSION="$later" -DBUILD_TESTING=OFF >/dev/null &&
    cmake --build "$build/later" -j2 >/dev/null ||
    { echo "FAILED: the product of version $later does not build"; exit 1; }
[ $status -eq 0 ] && echo "versions refused; $later built in $build/later"
exit $status
