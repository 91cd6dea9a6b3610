// Small helpers over the Windows API shared by Quillmere's programs.
#ifndef QUILLMERE_API_H
#define QUILLMERE_API_H

#include <windows.h>
#include "dll_search.h" // ExportAs

#include "text.h" // DescribeError

// A whole file in memory.
struct FileBytes {
    BYTE *data;
    DWORD size;
};
#define FILE_LIMIT (4ul << 20) // no file of Quillmere comes near this; larger is damage
// 0, or the Win32 error that stopped the read (ERROR_FILE_TOO_LARGE above FILE_LIMIT).
DWORD ReadWholeFile(const char *path, FileBytes *file);
// The same through a handle open for reading, from its start.
DWORD ReadOpenFile(HANDLE handle, FileBytes *file);
void FreeFileBytes(FileBytes *file);

// Whether SIZE bytes at A and B are the same (the programs link no C runtime).
BOOL SameBytes(const void *a, const void *b, DWORD size);

#endif
