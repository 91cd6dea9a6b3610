#!/bin/bash
# Plants, as another program of the same user could, a link in the temporary folder under
# each name the installer gives a temporary file, and under the name a deployment gives
# its log there (qm-setup.log), each to a file of its own in C:\planted that holds its
# name. Wine writes through such a link as through the file it names.
# Usage: plant-temp-links.sh PREFIX
set -eu
drive=$1/drive_c
planted=$drive/planted
mkdir -p "$planted"
for name in qmcore.cf_ userpr~1.cf_ fastio.dl_ deflt.dl_ expand32.dl_ bundle32.dl_ \
            quillm~1.ex_ qmguide.hl_ qmkeys.kb_ notes.wr_ remove~1.ex_ netxfer.dl_ \
            oldarc.dl_ GENERAL.DA__ qm-setup.log; do
    printf '%s\r\n' "$name" > "$planted/$name"
    for temp in "$drive"/users/*/Temp; do
        ln -s "$planted/$name" "$temp/$name"
    done
done
