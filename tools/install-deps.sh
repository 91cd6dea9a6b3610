#!/bin/bash
# Installs what building, running and testing need, from Debian's packages, and
# makes sure 32-bit programs can run. Quiet and quick when everything is there.
set -eu
packages=(cmake make g++ python3 python3-yaml g++-mingw-w64-i686 mingw-w64-tools wine wine32:i386
          wine64 fonts-wine xvfb xauth mscompress liblnk-utils imagemagick x11-utils bc
          openssl osslsigncode icoutils git file)

need_root() {
    if [ "$(id -u)" != 0 ]; then
        echo "$1 (run as root to set it up)" >&2
        exit 1
    fi
}

install_missing() {
    local missing=()
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return
    need_root "missing packages: ${missing[*]}"
    echo "installing: ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# 32-bit Wine is an i386 Linux program. Where the kernel cannot run those (some
# virtual machines), it runs them through qemu's user-mode emulator instead: release 9.1
# or later, as Bookworm's own 7.2 takes about a minute of processor time to start each
# Wine process (measured: 60 s against 1.5 s for the same unit test).
qemu=/usr/bin/qemu-i386
binfmt=/proc/sys/fs/binfmt_misc

qemu_is_recent() {
    local version
    version=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null) &&
        dpkg --compare-versions "$version" ge 1:9.1
}

install_recent_qemu() {
    qemu_is_recent && return
    export DEBIAN_FRONTEND=noninteractive
    local release=()
    # Backports come from the archive the machine already takes Bookworm from.
    if grep -qx 'VERSION_CODENAME=bookworm' /etc/os-release; then
        local archive
        archive=$("$(dirname "$0")/debian-archive.sh" bookworm) || {
            echo "no configured Debian source serves bookworm, to add its backports to" >&2
            exit 1
        }
        echo "deb $archive bookworm-backports main" \
            > /etc/apt/sources.list.d/bookworm-backports.list
        release=(-t bookworm-backports)
    fi
    echo "installing: qemu-user ${release[*]}"
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${release[@]}" qemu-user >/dev/null
}

i386_programs_run() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

# An older qemu's entry is replaced, even where it runs them.
enable_i386_programs() {
    if [ ! -e $binfmt/qemu-i386 ] ||
        { grep -qx "interpreter $qemu" $binfmt/qemu-i386 && qemu_is_recent; }; then
        i386_programs_run && return
    fi
    need_root "this kernel cannot run i386 programs, or runs them through an old qemu"
    install_recent_qemu
    [ -e $binfmt/register ] || mount -t binfmt_misc binfmt_misc $binfmt
    [ -e $binfmt/qemu-i386 ] && echo -1 > $binfmt/qemu-i386
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' > $binfmt/register
    i386_programs_run || {
        echo "i386 programs still cannot run" >&2
        exit 1
    }
}

install_missing
enable_i386_programs
