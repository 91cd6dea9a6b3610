/* oldarc.dll: reads the old single-file compressed format ("SZDD", mode A,
   as written by the classic compress tool): a 14-byte header, then LZ data
   with a 4096-byte ring primed with spaces. */
#ifndef OLDARC_H
#define OLDARC_H
#include "qmexport.h"

#define OLDARC_OK          0
#define OLDARC_NOT_SZDD  (-1)
#define OLDARC_TOO_SMALL (-2) /* the output cannot hold the expanded size */
#define OLDARC_CORRUPT   (-3) /* the data ends early or expands past the header's size */

/* 1 if buf starts with an SZDD mode A header, else 0. */
QM_API int OldArcIsSzdd(const void *buf, unsigned long size);
/* Expanded size and the stored last character of the original name
   (0 when the compressor did not record it). */
QM_API int OldArcInfo(const void *buf, unsigned long size, unsigned long *expandedSize,
                      char *lastChar);
QM_API int OldArcExpand(const void *in, unsigned long inSize, void *out,
                        unsigned long outSize, unsigned long *written);

#endif
