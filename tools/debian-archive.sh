#!/bin/bash
# Prints the address of the Debian archive this machine's apt already takes a release
# from: debian-archive.sh CODENAME [SOURCE_FILE...]. By default the machine's own source
# lists, in the one-line form (sources.list, *.list) and the deb822 form (*.sources).
# Fails, printing nothing, when no enabled "deb" source serves CODENAME itself.
set -eu
codename=$1
shift
if [ $# -eq 0 ]; then
    shopt -s nullglob
    set -- /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources
fi
files=()
for file in "$@"; do
    [ -r "$file" ] && files+=("$file")
done
[ ${#files[@]} -gt 0 ] || exit 1
exec awk -v codename="$codename" '
    function serves(types, suites, uri) {
        return index(" " types " ", " deb ") && index(" " suites " ", " " codename " ") &&
               uri != "" && uri !~ /^cdrom:/
    }
    # A deb822 stanza ends at a blank line or with its file.
    function stanza_end() {
        split(field["uris"], uris)
        if (!done && serves(field["types"], field["suites"], uris[1]) &&
            tolower(field["enabled"]) != "no") {
            print uris[1]
            done = 1
        }
        split("", field)
        last = ""
    }
    FNR == 1 { stanza_end() }
    done || /^[ \t]*#/ { next }
    FILENAME ~ /\.sources$/ {
        value = $0
        gsub(/^[ \t]+|[ \t]+$/, "", value)
        if (value == "")
            stanza_end()
        else if (/^[ \t]/ && last != "")
            field[last] = field[last] " " value
        else if (match(value, /^[^: \t]+:/)) {
            last = tolower(substr(value, 1, RLENGTH - 1))
            field[last] = substr(value, RLENGTH + 1)
            sub(/^[ \t]+/, "", field[last])
        }
        next
    }
    # deb [ options ] URI SUITE COMPONENT...
    $1 == "deb" {
        if ($2 ~ /^\[/)
            sub(/\[[^]]*\]/, "")
        if (serves("deb", $3, $2)) {
            print $2
            done = 1
        }
    }
    END {
        stanza_end()
        exit !done
    }' "${files[@]}"
