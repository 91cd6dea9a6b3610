// Reader for the old compressed single-file format, so documents that were
// distributed compressed in the past can still be opened.
#include <windows.h>
#include "oldarc.h"

namespace {

const BYTE kSignature[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
const BYTE kModeA = 'A';
const DWORD kHeaderSize = 14;
const int kRingSize = 4096;
const int kRingStart = kRingSize - 16;
const int kMinMatch = 3;

DWORD HeaderSize(const BYTE *p)
{
    return p[10] | (p[11] << 8) | (static_cast<DWORD>(p[12]) << 16) |
           (static_cast<DWORD>(p[13]) << 24);
}

} // namespace

int OldArcIsSzdd(const void *buf, unsigned long size)
{
    if (buf == NULL || size < kHeaderSize)
        return 0;
    const BYTE *p = static_cast<const BYTE *>(buf);
    for (int i = 0; i < 8; ++i) {
        if (p[i] != kSignature[i])
            return 0;
    }
    return p[8] == kModeA;
}

int OldArcInfo(const void *buf, unsigned long size, unsigned long *expandedSize, char *lastChar)
{
    if (!OldArcIsSzdd(buf, size))
        return OLDARC_NOT_SZDD;
    const BYTE *p = static_cast<const BYTE *>(buf);
    if (expandedSize)
        *expandedSize = HeaderSize(p);
    if (lastChar)
        *lastChar = static_cast<char>(p[9]);
    return OLDARC_OK;
}

int OldArcExpand(const void *in, unsigned long inSize, void *out,
                 unsigned long outSize, unsigned long *written)
{
    if (written)
        *written = 0;
    if (!OldArcIsSzdd(in, inSize))
        return OLDARC_NOT_SZDD;
    const BYTE *src = static_cast<const BYTE *>(in);
    const DWORD expected = HeaderSize(src);
    if (out == NULL || expected > outSize)
        return OLDARC_TOO_SMALL;
    BYTE *dst = static_cast<BYTE *>(out);
    // The ring lives on the stack: 4 KB, and the DLL keeps no state.
    BYTE ring[kRingSize];
    FillMemory(ring, sizeof ring, ' ');
    int ringPos = kRingStart;
    DWORD inPos = kHeaderSize;
    DWORD outPos = 0;
    int status = OLDARC_OK;
    while (inPos < inSize && status == OLDARC_OK) {
        BYTE flags = src[inPos++];
        for (int bit = 0; bit < 8 && inPos < inSize; ++bit, flags >>= 1) {
            if (flags & 1) {
                if (outPos == expected) {
                    status = OLDARC_CORRUPT;
                    break;
                }
                BYTE c = src[inPos++];
                dst[outPos++] = c;
                ring[ringPos] = c;
                ringPos = (ringPos + 1) & (kRingSize - 1);
                continue;
            }
            if (inSize - inPos < 2) {
                status = OLDARC_CORRUPT;
                break;
            }
            int matchPos = src[inPos] | ((src[inPos + 1] & 0xF0) << 4);
            int length = (src[inPos + 1] & 0x0F) + kMinMatch;
            inPos += 2;
            if (static_cast<DWORD>(length) > expected - outPos) {
                status = OLDARC_CORRUPT;
                break;
            }
            // Byte by byte: a match may overlap the bytes it is producing.
            for (int i = 0; i < length; ++i) {
                BYTE c = ring[matchPos];
                matchPos = (matchPos + 1) & (kRingSize - 1);
                dst[outPos++] = c;
                ring[ringPos] = c;
                ringPos = (ringPos + 1) & (kRingSize - 1);
            }
        }
    }
    if (status == OLDARC_OK && outPos != expected)
        status = OLDARC_CORRUPT;
    if (written)
        *written = outPos;
    return status;
}
