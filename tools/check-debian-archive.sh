#!/bin/bash
# debian-archive.sh on sample source lists: the address that serves the release itself,
# in either form, past comments, other suites and types, and disabled stanzas.
set -u
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

cat > "$work/debian.sources" <<'EOF'
Types: deb-src
URIs: file:/srv/sources/debian
Suites: bookworm

Types: deb
URIs: file:/srv/disabled/debian
Suites: bookworm
Enabled: no

Types: deb
# file:/srv/commented/debian
URIs: file:/srv/security/debian-security
Suites: bookworm-security

types: deb deb-src
URIs: file:/srv/mirror/debian
  file:/srv/second/debian
Suites: bookworm bookworm-updates
Components: main
EOF
cat > "$work/sources.list" <<'EOF'
# deb file:/srv/commented/debian bookworm main
deb-src file:/srv/sources/debian bookworm main
deb file:/srv/backports/debian bookworm-backports main
deb [ arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg ] file:/srv/one-line/debian bookworm main
EOF

# expect WANTED CODENAME FILE...: WANTED printed, or with "" nothing and a failure.
expect() {
    local wanted=$1 got fails=0
    shift
    [ -n "$wanted" ] || fails=1
    got=$("$here/debian-archive.sh" "$@")
    if [ $(($? != 0)) -ne $fails ] || [ "$got" != "$wanted" ]; then
        echo "FAILED: $* gave \"$got\", expected \"$wanted\""
        status=1
    fi
}
expect file:/srv/mirror/debian bookworm "$work/debian.sources"
expect file:/srv/security/debian-security bookworm-security "$work/debian.sources"
expect file:/srv/one-line/debian bookworm "$work/sources.list" "$work/debian.sources"
expect "" trixie "$work/sources.list" "$work/debian.sources"
expect "" bookworm "$work/missing.list"
[ $status -eq 0 ] && echo "debian-archive.sh reads both forms of source list"
exit $status
