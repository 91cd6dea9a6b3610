#!/bin/bash
# Succeeds where 32-bit programs run through qemu's user-mode emulator (registered by
# tools/install-deps.sh on machines whose kernel cannot run i386 programs itself): then
# every Wine process of the tests starts in seconds to minutes, not at once.
grep -qsx enabled /proc/sys/fs/binfmt_misc/qemu-i386
