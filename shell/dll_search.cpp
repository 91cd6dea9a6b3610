#include "dll_search.h"
#include "text.h"

typedef BOOL(WINAPI *SetDefaultDllDirectoriesFunction)(DWORD);
typedef BOOL(WINAPI *SetDllDirectoryFunction)(LPCSTR);

// Both are looked up: Windows before 7 (without its update for this) lacks the first,
// Windows 98 both.
void RestrictDllSearch()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDefaultDllDirectoriesFunction setDefaultDirectories =
        ExportAs<SetDefaultDllDirectoriesFunction>(
            GetProcAddress(kernel, "SetDefaultDllDirectories"));
    if (setDefaultDirectories)
        setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Takes the current folder out of the search where the call above is missing.
    SetDllDirectoryFunction setDllDirectory =
        ExportAs<SetDllDirectoryFunction>(GetProcAddress(kernel, "SetDllDirectoryA"));
    if (setDllDirectory)
        setDllDirectory("");
}

HMODULE LoadSystemLibrary(const char *name, char *path)
{
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !AppendText(path, MAX_PATH, "\\") ||
        !AppendText(path, MAX_PATH, name))
        return NULL;
    return LoadLibraryA(path);
}
