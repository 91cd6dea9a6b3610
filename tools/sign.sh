#!/bin/bash
# Authenticode signing with the publisher's certificate, from the environment:
# SIGN_CERT and SIGN_KEY (PEM files), SIGN_PASS for an encrypted key, SIGN_TIMESTAMP for
# an RFC 3161 timestamp server. The signing time is SOURCE_DATE_EPOCH when set, else the
# time of the last commit, so the same sources and key give the same signature.
# Usage: sign.sh check
#        sign.sh NAME FILE    signs FILE in place, NAME being the program's name
set -euo pipefail
SITE=https://quillmere.example.com/

fail() { echo "sign.sh: $*" >&2; exit 1; }

check() {
    [ -n "${SIGN_CERT:-}" ] && [ -n "${SIGN_KEY:-}" ] || fail "SIGN_CERT and SIGN_KEY go together"
    [ -r "$SIGN_CERT" ] || fail "cannot read the certificate $SIGN_CERT"
    [ -r "$SIGN_KEY" ] || fail "cannot read the key $SIGN_KEY"
    local certificate key
    certificate=$(openssl x509 -in "$SIGN_CERT" -noout -pubkey 2>/dev/null) ||
        fail "$SIGN_CERT is not a PEM certificate"
    key=$(SIGN_PASS=${SIGN_PASS:-} openssl pkey -in "$SIGN_KEY" -passin env:SIGN_PASS -pubout 2>/dev/null) ||
        fail "$SIGN_KEY is not a PEM private key, or SIGN_PASS does not open it"
    [ "$certificate" = "$key" ] || fail "the key $SIGN_KEY does not belong to the certificate $SIGN_CERT"
}

signing_time() {
    if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
        echo "$SOURCE_DATE_EPOCH"
    else
        git -C "$(dirname "$0")" log -1 --format=%ct 2>/dev/null || echo 1767225600
    fi
}

sign() {
    local name=$1 file=$2 signed=$2.signed
    local options=(-certs "$SIGN_CERT" -key "$SIGN_KEY" -h sha256 -n "$name" -i "$SITE"
                   -time "$(signing_time)")
    [ -n "${SIGN_TIMESTAMP:-}" ] && options+=(-ts "$SIGN_TIMESTAMP")
    rm -f "$signed"
    # The password goes through a pipe, never on a command line.
    [ -n "${SIGN_PASS:-}" ] && exec 3< <(printf '%s' "$SIGN_PASS") && options+=(-readpass /dev/fd/3)
    osslsigncode sign "${options[@]}" -in "$file" -out "$signed" >/dev/null ||
        { rm -f "$signed"; fail "cannot sign $file"; }
    mv "$signed" "$file"
}

case ${1:-} in
    check) check ;;
    *) [ $# -eq 2 ] || fail "usage: sign.sh check | sign.sh NAME FILE"; check; sign "$1" "$2" ;;
esac
