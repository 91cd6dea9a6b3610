#!/bin/bash
# What ships, checked on the files themselves (no Wine):
#   check-shipped.sh i486 BUILD    no instruction an i486 lacks in setup.exe or in any
#                                  program or library of the payload: each one found is
#                                  named with its file and address.
#   check-shipped.sh sizes BUILD   setup.exe at most 270 KB, and its own part (the file
#                                  less its payload, its picture and the licence's string
#                                  block) at most 40 KB; prints the figures.
#
# "An i486 lacks" what came with the Pentium and later, which a 486 meets as an invalid
# opcode or, worse, runs as something else (LZCNT and TZCNT as BSR and BSF): CMOVcc,
# FCMOVcc, FCOMI/FUCOMI (Pentium Pro); CMPXCHG8B, RDTSC, RDMSR/WRMSR; CPUID (most 486s lack
# it, and code that asks it is there to pick newer instructions); SYSENTER/SYSCALL; MMX,
# SSE, AVX and later (any MMX, XMM or YMM register, and EMMS, the fences, PREFETCH, FXSAVE,
# LDMXCSR, MOVNTI); POPCNT, LZCNT, TZCNT, MOVBE, CRC32, RDRAND; ENDBR32 and the multi-byte
# NOP (0F 1F, "nopw"/"nopl") that assemblers pad with. Not among them: UD2, whose purpose
# is the invalid opcode it also raises on a 486, and PAUSE, which older processors run as
# a plain NOP. Bytes the disassembler cannot read ("(bad)") are not instructions: the
# linker keeps its constructor lists in .text.
set -uo pipefail
mode=$1
build=$2
exe=$build/setup.exe

lacking='^(cmov|fcmov|fu?comip?$|cmpxchg8b|rdtscp?$|rdpmc|rdmsr|wrmsr|cpuid|sys(enter|exit|call|ret)|f?emms|[lms]fence|prefetch|clflush|fxsave|fxrstor|xsave|xrstor|(ld|st)mxcsr|movnti|popcnt|lzcnt|tzcnt|movbe|crc32|rdrand|rdseed|endbr)'

# Prints each instruction an i486 lacks in $1, as "file: address instruction".
lacking_in() {
    i686-w64-mingw32-objdump -d --no-show-raw-insn "$1" |
        awk -F'\t' -v file="${1#"$build"/}" -v lacking="$lacking" '
        NF < 2 || $2 == "" { next }
        {
            text = $2
            while (text ~ /^(lock|rep[nz]*|data16|addr16|[c-gs]s|notrack|bnd) /)
                sub(/^[^ ]+ +/, "", text)
            name = text
            sub(/ .*/, "", name)
            if (name ~ lacking || text ~ /%[xyz]?mm[0-9]/ || (name ~ /^nop[wl]?$/ && text ~ / +[^ ]/)) {
                address = $1
                gsub(/[ :]/, "", address)
                printf "%s: %s %s\n", file, address, text
            }
        }'
}

check_i486() {
    shopt -s nullglob
    local files=("$exe" "$build"/payload/*.exe "$build"/payload/*.dll) found status=0
    # setup.exe, quillmere.exe and removequill.exe, and the six libraries.
    if [ ${#files[@]} -ne 9 ]; then
        echo "FAILED: ${#files[@]} programs and libraries to check, expected 9"
        status=1
    fi
    for file in "${files[@]}"; do
        found=$(lacking_in "$file")
        if [ -n "$found" ]; then
            echo "FAILED: instructions an i486 lacks:"
            echo "$found"
            status=1
        fi
    done
    [ $status -eq 0 ] && echo "no instruction an i486 lacks in ${files[*]#"$build"/}"
    return $status
}

check_sizes() {
    local whole payload picture licence own status=0
    whole=$(stat -c %s "$exe") || return 1
    # The licence is string 189, in block 189 / 16 + 1 of the string table.
    read -r payload picture licence < <(wrestool -l "$exe" |
        sed -nE "s/.*--type=([0-9]+) --name='?([^' ]+)'? .*size=([0-9]+)\]/\1 \2 \3/p" |
        awk '$1 == 10 && $2 ~ /^FILE[0-9]+$/ { payload += $3 }
             $1 == 2 && $2 == "IDB_TARVEN" { picture = $3 }
             $1 == 6 && $2 == 12 { licence = $3 }
             END { print payload + 0, picture + 0, licence + 0 }')
    own=$((whole - payload - picture - licence))
    echo "setup.exe    $whole bytes (at most 276480)"
    echo "  own part   $own (at most 40960): the file less the three below"
    echo "  picture    $picture"
    echo "  payload    $payload"
    echo "  licence    $licence"
    if [ "$payload" -eq 0 ] || [ "$picture" -eq 0 ] || [ "$licence" -eq 0 ]; then
        echo "FAILED: setup.exe lacks its payload, picture or licence"
        status=1
    fi
    [ "$whole" -le 276480 ] || { echo "FAILED: setup.exe is larger than 270 KB"; status=1; }
    [ "$own" -le 40960 ] || { echo "FAILED: setup.exe's own part is larger than 40 KB"; status=1; }
    return $status
}

case $mode in
    i486) check_i486 ;;
    sizes) check_sizes ;;
    *) echo "usage: $0 i486|sizes BUILD" >&2; exit 2 ;;
esac
