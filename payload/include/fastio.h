/* fastio.dll: whole-file helpers over the Win32 file API.
   Every call returns 0 on success or a Win32 error code. */
#ifndef FASTIO_H
#define FASTIO_H
#include "qmexport.h"

/* Size of a file (files over 4 GB give ERROR_FILE_TOO_LARGE). */
QM_API unsigned long FastIoFileSize(const char *path, unsigned long *size);
/* Reads the whole file into buf; ERROR_INSUFFICIENT_BUFFER if it does not fit. */
QM_API unsigned long FastIoReadFile(const char *path, void *buf, unsigned long bufSize,
                                    unsigned long *bytesRead);
/* Creates or replaces path with exactly size bytes of data. */
QM_API unsigned long FastIoWriteFile(const char *path, const void *data, unsigned long size);
/* Copies src to dst (replacing dst) in large blocks. */
QM_API unsigned long FastIoCopyFile(const char *src, const char *dst);

#endif
