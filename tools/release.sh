#!/bin/bash
# "make release": leaves exactly what is to be published in RELEASE: setup.exe, its winget
# manifest (three .yaml files, for setup.exe published in the folder at URL) and
# SHA256SUMS; VERSION is BUILD's. With SIGN_CERT and SIGN_KEY (see sign.sh) the product is
# built once more, of the same version, in BUILD/signed, with quillmere.exe and
# removequill.exe signed before they are compressed into the payload; then setup.exe is
# signed, and all three signatures are verified.
# Nothing is left in RELEASE unless all of it worked.
# Usage: release.sh BUILD RELEASE URL VERSION
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source=$(dirname "$here")
build=$(realpath "$1")
release=$(realpath -m "$2")
url=$3
version=$4
case $url in
    http://?* | https://?*) ;;
    *) echo "release: RELEASE_URL must be an http or https address, not \"$url\"" >&2; exit 1 ;;
esac

rm -rf "$release"
mkdir -p "$(dirname "$release")"
staging=$(mktemp -d "$release.XXXXXX")
trap 'rm -rf "$staging"' EXIT

if [ -z "${SIGN_CERT:-}${SIGN_KEY:-}" ]; then
    cp "$build/setup.exe" "$staging/setup.exe"
    echo "release: setup.exe is unsigned (set SIGN_CERT and SIGN_KEY to sign it)"
else
    "$here/sign.sh" check
    export SIGN_CERT=$(realpath "$SIGN_CERT") SIGN_KEY=$(realpath "$SIGN_KEY")
    signed=$build/signed
    cmake -S "$source" -B "$signed" -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-i686.cmake" \
        -DHOST_TOOLS_DIR="$build/host" -DQUILLMERE_VERSION="$version" -DSIGN_PROGRAMS=ON \
        -DBUILD_TESTING=OFF >/dev/null
    # Signed anew every time, with the certificate given now.
    rm -f "$signed/payload/quillmere.exe" "$signed/payload/removequill.exe"
    cmake --build "$signed" -j2 >/dev/null
    cp "$signed/setup.exe" "$staging/setup.exe"
    "$here/sign.sh" "Quillmere Setup" "$staging/setup.exe"
    for file in "$staging/setup.exe" "$signed/payload/quillmere.exe" "$signed/payload/removequill.exe"; do
        osslsigncode verify -CAfile "$SIGN_CERT" -in "$file" >/dev/null ||
            { echo "release: the signature of $file does not verify" >&2; exit 1; }
    done
    echo "release: setup.exe, quillmere.exe and removequill.exe signed by" \
        "$(openssl x509 -in "$SIGN_CERT" -noout -subject)"
    [ -n "${SIGN_TIMESTAMP:-}" ] ||
        echo "release: the signatures carry no timestamp (set SIGN_TIMESTAMP to a timestamp server)"
fi
"$here/winget-manifest.sh" "$staging/setup.exe" "$url" "$version"
(cd "$staging" && sha256sum setup.exe > SHA256SUMS)
chmod 755 "$staging"
mv "$staging" "$release"
trap - EXIT
echo "release: $release"
