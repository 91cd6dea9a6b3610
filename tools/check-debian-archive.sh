#!/bin/bash
# debian-archive.sh on source lists of both forms: the address that serves the release
# itself, past comments, sources, other suites and disabled stanzas.
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%s\n' 'Types: deb' 'URIs: file:/srv/off' 'Suites: bookworm' 'Enabled: no' '' \
    'Types: deb' '# file:/srv/comment' 'URIs: file:/srv/security' 'Suites: bookworm-security' '' \
    'types: deb-src deb' 'URIs: file:/srv/main' '  file:/srv/second' 'Suites: bookworm other' \
    > "$work/debian.sources"
printf '%s\n' '# deb file:/srv/comment bookworm main' 'deb-src file:/srv/source bookworm main' \
    'deb [ arch=i386 ] file:/srv/one-line bookworm main' > "$work/sources.list"
status=0
check() { # WANTED CODENAME FILE...
    local wanted=$1 got
    shift
    got=$("$(dirname "$0")/debian-archive.sh" "$@") || got=failed
    [ "$got" = "$wanted" ] || { echo "FAILED: $* gave $got, expected $wanted"; status=1; }
}
check file:/srv/main bookworm "$work/debian.sources"
check file:/srv/security bookworm-security "$work/debian.sources"
check file:/srv/one-line bookworm "$work/sources.list" "$work/debian.sources"
check failed trixie "$work/sources.list" "$work/debian.sources"
exit $status
