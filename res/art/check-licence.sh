#!/bin/sh
# Checks that the licence survives mklicence.py, windres and LoadStringA whole.
# The licence and a table of awkward texts become string resources; the
# compiled .res is read back and compared with the texts, then a small Windows
# program holding them loads each with LoadStringA under Wine and compares it
# again. Also checks that mklicence.py refuses texts the installer could not
# show.
#
# usage: check-licence.sh [LICENCE_TXT]
# exit:  0 all passed; 1 a check failed; 77 every check but the Wine one
#        passed and this machine cannot run 32-bit programs at all.
# env:   MINGW_CXX, MINGW_WINDRES, PYTHON, WINE, WINEPREFIX (optional)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
licence=${1:-$here/../licence.txt}
cxx=${MINGW_CXX:-i686-w64-mingw32-g++}
windres=${MINGW_WINDRES:-i686-w64-mingw32-windres}
python=${PYTHON:-python3}
wine=${WINE:-wine}
export WINEPREFIX="${WINEPREFIX:-${TMPDIR:-/tmp}/wine-quillmere-check}"
export WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d

work=$(mktemp -d "${TMPDIR:-/tmp}/licence-check.XXXXXX")
trap 'rm -rf "$work"' EXIT
# A scratch home keeps Wine from linking the prefix to the real one.
mkdir "$work/home"
export HOME="$work/home"
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

[ -f "$licence" ] || { echo "FAIL: no licence text at $licence"; exit 1; }
cp "$licence" "$work/licence.txt"

# Awkward texts the generator must carry through unchanged: name, then text
# (printf format, so \r \n \t \\ and %% are printf escapes here).
make_cases() {
    while IFS='|' read -r name text; do
        # shellcheck disable=SC2059 # the table is written in printf escapes
        printf "$text" > "$work/$name.txt"
        echo "$name"
    done <<'EOF'
quotes|He said "yes", then ""no"" and "" alone.\n"Quoted line"\n
backslashes|C:\\Program Files\\Quillmere\\ and \\\\server\\share\\\n
escape_lookalikes|literal \\r\\n and \\t and \\" and \\x41 stay as typed\n
tabs_percent|col1\tcol2\t100%% done %%s %%d\n
crlf_input|first line\r\nsecond line\r\n\r\nafter a blank line\r\n
lone_cr_input|old style\rline ends\r
no_final_newline|the text ends without a line end
blank_lines_and_spaces|\n\n   indented   text   \n\n\n
punctuation|~!@#$^&*()_+{}|:<>?`-=[];',./ end\n
EOF
}
cases=$(make_cases)

# The longest text the installer can show whole: 4999 characters with CRLF.
"$python" -c "
import sys
line = 'x' * 97 + '\n'            # 99 characters once the line end is CRLF
sys.stdout.write(line * 50 + 'y' * (4999 - 50 * 99))
" > "$work/longest.txt"
cases="$cases longest"

# Generate one fragment per text, each under its own string id.
rc="$work/strings.rc"
: > "$rc"
args="189 licence.txt"
"$python" "$here/mklicence.py" "$work/licence.txt" "$work/licence.rc" \
    || fail "mklicence.py rejected $licence"
echo '#include "licence.rc"' >> "$rc"
id=1
for name in $cases; do
    "$python" "$here/mklicence.py" "$work/$name.txt" "$work/$name.rc" "$id" \
        || fail "mklicence.py rejected case $name"
    echo "#include \"$name.rc\"" >> "$rc"
    args="$args $id $name.txt"
    id=$((id + 1))
done

# Texts the generator must refuse with a message and a non-zero exit.
"$python" -c "import sys; sys.stdout.write('z' * 5000)" > "$work/too_long.txt"
printf 'caf\351 in latin-1\n' > "$work/not_ascii.txt"
printf 'bell \007 inside\n' > "$work/control_char.txt"
: > "$work/empty.txt"
for name in too_long not_ascii control_char empty; do
    if "$python" "$here/mklicence.py" "$work/$name.txt" "$work/$name.rc" \
        2> "$work/$name.err"; then
        fail "mklicence.py accepted $name"
    elif [ ! -s "$work/$name.err" ]; then
        fail "mklicence.py refused $name without a message"
    else
        echo "ok   refused $name: $(cat "$work/$name.err")"
    fi
done

(cd "$work" && "$windres" strings.rc -O res -o strings.res \
    && "$windres" strings.res -O coff -o strings.o) \
    || { echo "FAIL: windres could not compile the generated fragments"; exit 1; }
# shellcheck disable=SC2086 # $args is a list of words on purpose
(cd "$work" && "$python" "$here/check_res_strings.py" strings.res $args) \
    || fail "windres did not store the texts unchanged"

"$cxx" -O2 -Wall -Wextra -static -o "$work/licence_check.exe" \
    "$here/licence_check.cpp" "$work/strings.o" \
    || { echo "FAIL: could not build licence_check.exe"; exit 1; }

# Wine may print nothing and still exit 0 if it cannot start the program, so
# the verdict needs both the exit status and the program's own summary line.
wine_status=ran
# shellcheck disable=SC2086 # $args is a list of words on purpose
if (cd "$work" && "$wine" licence_check.exe $args) > "$work/out.txt" 2>&1 \
    && grep -q '^licence check passed' "$work/out.txt"; then
    tr -d '\r' < "$work/out.txt"
elif grep -q 'Exec format error' "$work/out.txt"; then
    # The kernel refuses 32-bit executables, Wine's own loader included.
    wine_status=impossible
    echo "SKIP LoadStringA under Wine: this machine cannot run 32-bit programs"
    echo "     ($(head -n 1 "$work/out.txt"))"
else
    tr -d '\r' < "$work/out.txt"
    fail "strings did not survive LoadStringA"
fi

if [ "$failures" -ne 0 ]; then
    echo "check-licence: FAILED ($failures problems)"
    exit 1
fi
if [ "$wine_status" = impossible ]; then
    echo "check-licence: SKIPPED the Wine stage; all other checks passed"
    exit 77
fi
echo "check-licence: PASSED"
