// Whole-file helpers: one CreateFile per call and large blocks, so callers
// need no buffering of their own.
#include <windows.h>
#include "fastio.h"

namespace {

const DWORD kCopyBlock = 32768;

// Opens for reading with the sharing the product's other tools expect.
HANDLE OpenForRead(const char *path)
{
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, NULL);
}

HANDLE OpenForWrite(const char *path)
{
    return CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
}

// Writes all of size bytes; WriteFile may legally write fewer.
DWORD WriteAll(HANDLE file, const BYTE *data, DWORD size)
{
    while (size > 0) {
        DWORD done = 0;
        if (!WriteFile(file, data, size, &done, NULL))
            return GetLastError();
        if (done == 0)
            return ERROR_WRITE_FAULT;
        data += done;
        size -= done;
    }
    return ERROR_SUCCESS;
}

// Closes the handle and keeps the first error seen.
DWORD CloseKeepingError(HANDLE file, DWORD err)
{
    if (!CloseHandle(file) && err == ERROR_SUCCESS)
        err = GetLastError();
    return err;
}

} // namespace

unsigned long FastIoFileSize(const char *path, unsigned long *size)
{
    if (path == NULL || size == NULL)
        return ERROR_INVALID_PARAMETER;
    HANDLE file = OpenForRead(path);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    DWORD err = ERROR_SUCCESS;
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        err = GetLastError();
    else if (high != 0)
        err = ERROR_FILE_TOO_LARGE;
    else
        *size = low;
    return CloseKeepingError(file, err);
}

unsigned long FastIoReadFile(const char *path, void *buf, unsigned long bufSize,
                             unsigned long *bytesRead)
{
    if (path == NULL || (buf == NULL && bufSize > 0) || bytesRead == NULL)
        return ERROR_INVALID_PARAMETER;
    *bytesRead = 0;
    unsigned long size = 0;
    DWORD err = FastIoFileSize(path, &size);
    if (err != ERROR_SUCCESS)
        return err;
    if (size > bufSize)
        return ERROR_INSUFFICIENT_BUFFER;
    HANDLE file = OpenForRead(path);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    BYTE *dst = static_cast<BYTE *>(buf);
    DWORD total = 0;
    for (;;) {
        DWORD done = 0;
        if (!ReadFile(file, dst + total, bufSize - total, &done, NULL)) {
            err = GetLastError();
            break;
        }
        if (done == 0)
            break;
        total += done;
        if (total == bufSize) {
            // A full buffer is fine only if the file really ends here.
            BYTE probe;
            if (ReadFile(file, &probe, 1, &done, NULL) && done != 0)
                err = ERROR_INSUFFICIENT_BUFFER;
            break;
        }
    }
    *bytesRead = total;
    return CloseKeepingError(file, err);
}

unsigned long FastIoWriteFile(const char *path, const void *data, unsigned long size)
{
    if (path == NULL || (data == NULL && size > 0))
        return ERROR_INVALID_PARAMETER;
    HANDLE file = OpenForWrite(path);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD err = WriteAll(file, static_cast<const BYTE *>(data), size);
    return CloseKeepingError(file, err);
}

unsigned long FastIoCopyFile(const char *src, const char *dst)
{
    if (src == NULL || dst == NULL)
        return ERROR_INVALID_PARAMETER;
    HANDLE in = OpenForRead(src);
    if (in == INVALID_HANDLE_VALUE)
        return GetLastError();
    HANDLE out = OpenForWrite(dst);
    if (out == INVALID_HANDLE_VALUE)
        return CloseKeepingError(in, GetLastError());
    BYTE *block = static_cast<BYTE *>(VirtualAlloc(NULL, kCopyBlock, MEM_COMMIT, PAGE_READWRITE));
    DWORD err = block ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
    while (err == ERROR_SUCCESS) {
        DWORD done = 0;
        if (!ReadFile(in, block, kCopyBlock, &done, NULL))
            err = GetLastError();
        else if (done == 0)
            break;
        else
            err = WriteAll(out, block, done);
    }
    if (block)
        VirtualFree(block, 0, MEM_RELEASE);
    err = CloseKeepingError(in, err);
    return CloseKeepingError(out, err);
}
