#!/bin/bash
# What ships, checked on the files themselves (no Wine):
#   check-shipped.sh i486 BUILD    no instruction an i486 lacks in setup.exe or in any
#                                  program or library of the payload: each one found is
#                                  named with its file and address.
#   check-shipped.sh sizes BUILD   setup.exe at most 270 KB, and its own part (the file
#                                  less its payload, its picture and the licence's string
#                                  block) at most 42 KB; prints the figures.
#   check-shipped.sh hardened BUILD  each of them carries its relocation table and is
#                                  marked DYNAMIC_BASE, NX_COMPAT and NO_SEH, the programs
#                                  TERMINAL_SERVER_AWARE too; each seeds its stack guard at
#                                  its entry point; prints how many functions check it.
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

# "SLOT NAME" for each function FILE (loaded at BASE) imports: its calls go through SLOT.
# Each library's line of the import directory, with its first slot, comes before its list.
imports() {
    i686-w64-mingw32-objdump -p "$1" | awk -v base="$2" '
        function hex(text,   i, n) {
            for (i = 1; i <= length(text); ++i)
                n = n * 16 + index("0123456789abcdef", substr(text, i, 1)) - 1
            return n
        }
        /^ [0-9a-f]+\t[0-9a-f]+ [0-9a-f]+ [0-9a-f]+ [0-9a-f]+ [0-9a-f]+$/ { slot = hex(base) + hex($6) }
        /^\t[0-9a-f]+\t/ && NF == 3 { printf "0x%x %s\n", slot, $3; slot += 4 }'
}

# The files are stripped, so the guard is found by what the code does with it. The entry
# point's first call is the seeding: it asks the tick count, the process id and the
# performance counter, and stores one word of .bss (zero-filled: no space in the file).
# Guarded functions compare that word on their way out and on a mismatch call what ends
# the process (TerminateProcess). Neither the entry point before that first call nor the
# seeding reads the word: they would check it against a value changed under them. Nothing
# else writes it.
check_guard() {
    local file=$1 name=${1#"$build"/} base entry start size seeding guard
    read -r base entry < <(i686-w64-mingw32-objdump -p "$file" |
        awk '/^ImageBase/ { b = $2 } /^AddressOfEntryPoint/ { e = $2 } END { print b, e }')
    read -r start size < <(i686-w64-mingw32-objdump -h "$file" | awk '$2 == ".bss" { print $4, $3 }')
    # A function's instructions, from its address to its first return.
    function_at() {
        i686-w64-mingw32-objdump -d --no-show-raw-insn --start-address="$1" \
            --stop-address=$(($1 + 256)) "$file" | awk -F'\t' 'NF > 1 { print $2 }' |
            sed '/^ret/q'
    }
    # The names of the imported functions called in those instructions.
    called() {
        sed -nE 's/^call +\*(0x[0-9a-f]+)$/\1/p' | grep -Fwf - <(imports "$file" "$base") |
            cut -d' ' -f2 | sort -u | tr '\n' ' '
    }
    entry=$((0x$base + 0x$entry))
    seeding=$(function_at $entry | sed -nE '/^call +0x[0-9a-f]+$/ { s/.* //p; q }')
    guard=$( [ -n "$seeding" ] && function_at $((seeding)) |
        sed -nE 's/^mov +%e[a-z]+,(0x[0-9a-f]+)$/\1/p' | tail -1)
    if [ -z "$guard" ] || ((guard < 0x${start:-0} || guard + 4 > 0x${start:-0} + 0x${size:-0})); then
        echo "FAILED: $name: its entry point's first call stores no word of .bss"
        return 1
    fi
    local sources early writes checks failure ending status=0
    sources=$(function_at $((seeding)) | called)
    early=$( (function_at $entry | sed -nE '/^call +0x/q; p'; function_at $((seeding))) |
        grep -c "$guard,")
    read -r writes checks failure < <(i686-w64-mingw32-objdump -d --no-show-raw-insn "$file" |
        awk -F'\t' -v guard="$guard" 'NF < 2 { next }
            index($2, "," guard) { ++writes }
            $2 ~ "^(sub|cmp|xor) +" guard "," { ++checks; after = 3 }
            after && after-- && $2 ~ /^call +0x/ && !failure { failure = $2; sub(/.* /, "", failure) }
            END { print writes + 0, checks + 0, failure }')
    ending=$( [ -n "$failure" ] && function_at $((failure)) | called)
    for wanted in GetTickCount GetCurrentProcessId QueryPerformanceCounter; do
        [[ " $sources" == *" $wanted "* ]] || status=1
    done
    [ "$checks" -eq 0 ] || [[ " $ending" == *" TerminateProcess "* ]] || status=1
    if [ $status -ne 0 ] || [ "$early" -ne 0 ] || [ "$writes" -ne 1 ]; then
        echo "FAILED: $name: the guard at $guard is seeded from $sources, read $early times" \
            "before it is seeded, written $writes times (once: the seeding); a failed check" \
            "calls ${ending:-nothing}"
        return 1
    fi
    echo "$name: guard at $guard seeded at the entry point, checked by $checks functions"
}

# DllCharacteristics: DYNAMIC_BASE 0x40, NX_COMPAT 0x100, NO_SEH 0x400 and, for programs,
# TERMINAL_SERVER_AWARE 0x8000; Characteristics: no RELOCS_STRIPPED (1).
check_hardened() {
    shopt -s nullglob
    local files=("$exe" "$build"/payload/*.exe "$build"/payload/*.dll) status=0
    for file in "${files[@]}"; do
        local name=${file#"$build"/} wanted=$((0x540)) flags image relocations
        [[ $file == *.exe ]] && wanted=$((0x8540))
        read -r image flags relocations < <(i686-w64-mingw32-objdump -p "$file" |
            awk '/^Characteristics/ { c = $2 } /^DllCharacteristics/ { d = $2 }
                 /Base Relocation Directory/ { r = $4 } END { print c, d, r }')
        if (((0x$flags & wanted) != wanted || (image & 1) || 0x${relocations:-0} == 0)); then
            echo "FAILED: $name: DllCharacteristics 0x$flags (wanted 0x$(printf %x $wanted))," \
                "Characteristics $image, relocation table of 0x${relocations:-0} bytes"
            status=1
        fi
        check_guard "$file" || status=1
    done
    [ ${#files[@]} -eq 9 ] || { echo "FAILED: ${#files[@]} files, expected 9"; status=1; }
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
    echo "  own part   $own (at most 43008): the file less the three below"
    echo "  picture    $picture"
    echo "  payload    $payload"
    echo "  licence    $licence"
    if [ "$payload" -eq 0 ] || [ "$picture" -eq 0 ] || [ "$licence" -eq 0 ]; then
        echo "FAILED: setup.exe lacks its payload, picture or licence"
        status=1
    fi
    [ "$whole" -le 276480 ] || { echo "FAILED: setup.exe is larger than 270 KB"; status=1; }
    [ "$own" -le 43008 ] || { echo "FAILED: setup.exe's own part is larger than 42 KB"; status=1; }
    return $status
}

case $mode in
    i486) check_i486 ;;
    sizes) check_sizes ;;
    hardened) check_hardened ;;
    *) echo "usage: $0 i486|sizes|hardened BUILD" >&2; exit 2 ;;
esac
