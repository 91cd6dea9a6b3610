#!/bin/bash
# make release of the tree BUILD and its VERSION, as a publisher runs it, with a throwaway
# self-signed certificate: a missing key, a key of another certificate, an address that is
# not a web one, and no certificate at all first, then the signed release. The folder holds
# exactly setup.exe, its winget manifest (which winget's validation takes, naming that
# setup.exe) and SHA256SUMS, and setup.exe's signature verifies, as do those of
# quillmere.exe and removequill.exe expanded out of it.
# Usage: check-release.sh BUILD VERSION RELEASE
#        (the signed release stays in RELEASE for the installation test)
set -uo pipefail
build=$(realpath "$1")
version=$2
release=$(realpath -m "$3")
source=$(cd "$(dirname "$0")/.." && pwd)
keys=$(mktemp -d /tmp/quillmere-keys.XXXXXX)
trap 'rm -rf "$keys"' EXIT
failures=0
check() { # what; then the command that must succeed
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
# make release with these variables; its own lines (not the build's) in $said.
release() {
    local output status
    output=$(env -u MAKEFLAGS -u MAKELEVEL make -s -C "$source" release BUILD="$build" \
        VERSION="$version" RELEASE="$release" "$@" 2>&1)
    status=$?
    said=$(grep -E '^(release|sign\.sh):' <<<"$output")
    return $status
}

openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Quillmere test publisher" -days 2 \
    -keyout "$keys/key.pem" -out "$keys/cert.pem" 2>/dev/null
openssl genrsa -out "$keys/other.pem" 2048 2>/dev/null

release SIGN_CERT="$keys/cert.pem" SIGN_KEY="$keys/missing.pem"
check "a missing key stops it: $said" test $? -ne 0 -a ! -e "$release"
release SIGN_CERT="$keys/cert.pem" SIGN_KEY="$keys/other.pem"
check "a key of another certificate stops it: $said" test $? -ne 0 -a ! -e "$release"
release RELEASE_URL=ftp://quillmere.example.com/
check "an address that is not a web one stops it: $said" test $? -ne 0 -a ! -e "$release"
release RELEASE_URL=https://downloads.example.org/quillmere/1.0/
check "unsigned, in one line: $said" test "$(grep -c unsigned <<<"$said")" -eq 1 \
    -a "$(cmp "$release/setup.exe" "$build/setup.exe" && echo same)" = same
winget_manifest() { python3 "$source/tests/check_winget.py" "$release" "$1"; }
check "the winget manifest names the address given" \
    winget_manifest https://downloads.example.org/quillmere/1.0/

release SIGN_CERT="$keys/cert.pem" SIGN_KEY="$keys/key.pem"
check "signed: $said" test $? -eq 0
check "only setup.exe, its winget manifest and SHA256SUMS" test "$(ls "$release" | tr '\n' ' ')" = \
    "Quillmere.Quillmere.installer.yaml Quillmere.Quillmere.locale.en-US.yaml Quillmere.Quillmere.yaml SHA256SUMS setup.exe "
check "the winget manifest of the signed setup.exe, at the project's address" \
    winget_manifest https://quillmere.example.com/
check "SHA256SUMS" bash -c "cd '$release' && sha256sum --quiet -c SHA256SUMS"
verify() { osslsigncode verify -CAfile "$keys/cert.pem" -in "$1" >/dev/null; }
check "setup.exe's signature" verify "$release/setup.exe"
for row in 6:quillmere.exe 10:removequill.exe; do
    wrestool -x --raw --type=10 --name="FILE${row%%:*}" "$release/setup.exe" |
        msexpand > "$keys/${row#*:}" 2>/dev/null
    check "${row#*:}'s signature, expanded from FILE${row%%:*}" verify "$keys/${row#*:}"
done
exit $((failures > 0))
