#!/bin/bash
# Succeeds where 32-bit programs run through qemu's user-mode emulator (registered by
# tools/install-deps.sh on machines whose kernel cannot run i386 programs itself): then
# the tests wait longer for every Wine process.
grep -qsx enabled /proc/sys/fs/binfmt_misc/qemu-i386
