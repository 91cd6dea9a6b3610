#include "api.h"
#include "text.h"

BOOL SameBytes(const void *a, const void *b, DWORD size)
{
    const BYTE *left = (const BYTE *)a, *right = (const BYTE *)b;
    for (DWORD i = 0; i < size; ++i)
        if (left[i] != right[i])
            return FALSE;
    return TRUE;
}

DWORD ReadWholeFile(const char *path, FileBytes *file)
{
    file->data = NULL;
    file->size = 0;
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD error = ReadOpenFile(handle, file);
    CloseHandle(handle);
    return error;
}

DWORD ReadOpenFile(HANDLE handle, FileBytes *file)
{
    file->data = NULL;
    file->size = 0;
    DWORD high = 0, size = GetFileSize(handle, &high), error = 0;
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        error = GetLastError();
    else if (high != 0 || size > FILE_LIMIT)
        error = ERROR_FILE_TOO_LARGE;
    else if (SetFilePointer(handle, 0, NULL, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        error = GetLastError();
    else if (!(file->data = (BYTE *)HeapAlloc(GetProcessHeap(), 0, size ? size : 1)))
        error = ERROR_NOT_ENOUGH_MEMORY;
    DWORD done = 0, got = 0;
    while (!error && done < size) {
        if (!ReadFile(handle, file->data + done, size - done, &got, NULL))
            error = GetLastError();
        else if (got == 0)
            error = ERROR_HANDLE_EOF;
        done += got;
    }
    if (error)
        FreeFileBytes(file);
    else
        file->size = size;
    return error;
}

void FreeFileBytes(FileBytes *file)
{
    if (file->data)
        HeapFree(GetProcessHeap(), 0, file->data);
    file->data = NULL;
    file->size = 0;
}
