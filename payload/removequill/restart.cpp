// What cannot go while it is in use goes when Windows restarts: the NT family removes the
// names MoveFileExA gives it; Windows 9x, which lacks that call (the uninstaller must load
// there, so it never imports it), the files named in the [rename] section of WININIT.INI.
// A file in use is first set aside under a name of the uninstaller's own, where the system
// can, so that a new installation may take its name at once.
#include "removal.h"
#include "text.h"

#define NEW_NAME_PREFIX "rmq"
#define RENAME_SECTION "[rename]"
#define DELETE_KEY "NUL="

typedef BOOL(WINAPI *MoveFileExFunction)(LPCSTR, LPCSTR, DWORD);

static MoveFileExFunction FindMoveFileEx()
{
    return ExportAs<MoveFileExFunction>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "MoveFileExA"));
}

BOOL NewName(const char *folder, int attempt, char *name)
{
    // A number that is not 0 only names the file.
    return GetTempFileNameA(folder, NEW_NAME_PREFIX, (GetTickCount() + attempt) % 0xFFFF + 1,
                            name) != 0;
}

// Without MOVEFILE_COPY_ALLOWED a file never leaves its volume: a copy could not free the
// name of a file in use.
BOOL SetAside(const char *path, const char *folder, char *aside)
{
    MoveFileExFunction moveFileEx = FindMoveFileEx();
    for (int attempt = 0; moveFileEx && attempt < NEW_NAME_ATTEMPTS; ++attempt) {
        if (!NewName(folder, attempt, aside))
            break;
        if (moveFileEx(path, aside, 0))
            return TRUE;
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    return FALSE;
}

// Whether the line at text[start..end) opens a section; *rename when that is [rename].
static BOOL IsSectionLine(const BYTE *text, DWORD start, DWORD end, BOOL *rename)
{
    while (start < end && (text[start] == ' ' || text[start] == '\t'))
        ++start;
    if (start == end || text[start] != '[')
        return FALSE;
    char name[sizeof RENAME_SECTION];
    DWORD length = end - start < sizeof name - 1 ? end - start : sizeof name - 1;
    lstrcpynA(name, (const char *)text + start, (int)length + 1);
    *rename = lstrcmpiA(name, RENAME_SECTION) == 0;
    return TRUE;
}

// Where the new line goes in the file's text: after the last line of its [rename] section
// that is not blank; at the end, and the section with it, when it has none.
static DWORD RenameLineAt(const FileBytes *file, BOOL *found)
{
    const BYTE *text = file->data;
    DWORD at = file->size, start = 0;
    BOOL rename = FALSE;
    *found = FALSE;
    if (file->size >= 3 && text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF)
        start = 3; // a UTF-8 mark before the first line
    while (start < file->size) {
        DWORD end = start;
        while (end < file->size && text[end] != '\n')
            ++end;
        DWORD next = end < file->size ? end + 1 : end;
        DWORD last = end;
        while (last > start && (text[last - 1] == '\r' || text[last - 1] == ' ' ||
                                text[last - 1] == '\t'))
            --last;
        if (IsSectionLine(text, start, last, &rename)) {
            if (rename)
                at = next;
            *found |= rename;
        } else if (rename && last > start) {
            at = next;
        }
        start = next;
    }
    return at;
}

// Adds "NUL=<short path>" to the [rename] section, in the file's own line ends, and keeps
// every byte that was there: only what follows the new line is written again.
static DWORD AddRenameLine(HANDLE ini, const FileBytes *file, const char *line)
{
    const BYTE *text = file->data;
    if (file->size >= 2 && ((text[0] == 0xFF && text[1] == 0xFE) ||
                            (text[0] == 0xFE && text[1] == 0xFF)))
        return ERROR_UNSUPPORTED_TYPE; // UTF-16, which WININIT.EXE cannot read
    const char *lineEnd = "\r\n";
    for (DWORD i = 0; i < file->size; ++i) {
        if (text[i] == '\n') {
            lineEnd = i > 0 && text[i - 1] == '\r' ? "\r\n" : "\n";
            break;
        }
    }
    BOOL found;
    DWORD at = RenameLineAt(file, &found);
    char added[MAX_PATH + 32] = "";
    if (at > 0 && text[at - 1] != '\n')
        AppendText(added, sizeof added, lineEnd);
    if (!found) {
        AppendText(added, sizeof added, RENAME_SECTION);
        AppendText(added, sizeof added, lineEnd);
    }
    AppendText(added, sizeof added, line);
    AppendText(added, sizeof added, lineEnd);
    DWORD length = (DWORD)lstrlenA(added), size = length + file->size - at, written = 0;
    BYTE *tail = (BYTE *)HeapAlloc(GetProcessHeap(), 0, size);
    if (!tail)
        return ERROR_NOT_ENOUGH_MEMORY;
    CopyMemory(tail, added, length);
    CopyMemory(tail + length, text + at, file->size - at);
    DWORD error = 0;
    if (SetFilePointer(ini, (LONG)at, NULL, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !WriteFile(ini, tail, size, &written, NULL))
        error = GetLastError();
    else if (written != size)
        error = ERROR_DISK_FULL;
    HeapFree(GetProcessHeap(), 0, tail);
    return error;
}

// WININIT.EXE runs before Windows, where there are no long names, and reads its file in
// MS-DOS's character set. The profile calls cannot write it: its keys repeat.
static DWORD RemoveThroughWininit(const char *path)
{
    char line[MAX_PATH + sizeof DELETE_KEY] = DELETE_KEY, ini[MAX_PATH];
    char *name = line + sizeof DELETE_KEY - 1;
    DWORD length = GetShortPathNameA(path, name, MAX_PATH);
    if (length == 0)
        return GetLastError();
    UINT folder = GetWindowsDirectoryA(ini, MAX_PATH);
    if (length >= MAX_PATH || folder == 0 || folder >= MAX_PATH ||
        !AppendText(ini, MAX_PATH, "\\WININIT.INI"))
        return ERROR_FILENAME_EXCED_RANGE;
    CharToOemA(name, name);
    // Windows 9x keeps profile files in memory: what another program put there is
    // written first.
    WritePrivateProfileStringA(NULL, NULL, NULL, ini);
    HANDLE file = CreateFileA(ini, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    FileBytes text;
    DWORD error = ReadOpenFile(file, &text);
    if (!error)
        error = AddRenameLine(file, &text, line);
    FreeFileBytes(&text);
    CloseHandle(file);
    return error;
}

BOOL RemoveAtRestart(const char *path)
{
    MoveFileExFunction moveFileEx = FindMoveFileEx();
    if (moveFileEx && moveFileEx(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT))
        return TRUE;
    if (moveFileEx && GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
        return FALSE;
    DWORD error = RemoveThroughWininit(path);
    SetLastError(error);
    return error == 0;
}
