#include "dll_search.h"
#include "text.h"

typedef BOOL(WINAPI *SetDefaultDllDirectoriesFunction)(DWORD);
typedef BOOL(WINAPI *SetDllDirectoryFunction)(LPCSTR);
typedef BOOL(WINAPI *SetSearchPathModeFunction)(DWORD);

// Loaded by name once a window is made: the theme library, and through it the desktop
// compositor's on Windows 7 without its update.
static const char *const THEMING_LIBRARIES[] = {"uxtheme.dll", "dwmapi.dll"};

BOOL SystemLibraryPath(const char *name, char *path)
{
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !AppendText(path, MAX_PATH, "\\") ||
        !AppendText(path, MAX_PATH, name)) {
        CopyText(path, MAX_PATH, name);
        return FALSE;
    }
    return TRUE;
}

HMODULE LoadSystemLibrary(const char *name, char *path)
{
    if (!SystemLibraryPath(name, path))
        return NULL;
    // The library's own imports are then looked for in the system folder first too.
    return LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// A library that is missing (Windows 98 has no theming) is passed over, silently.
static void Preload(const char *const *names, int count)
{
    char path[MAX_PATH];
    UINT errorMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    for (int i = 0; i < count; ++i)
        LoadSystemLibrary(names[i], path);
    SetErrorMode(errorMode);
}

// All three are looked up: Windows 98 has none of them, and older Windows without their
// updates lack the first or the last.
void RestrictDllSearch(const char *const *preload, int count)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetSearchPathModeFunction setSearchPathMode =
        ExportAs<SetSearchPathModeFunction>(GetProcAddress(kernel, "SetSearchPathMode"));
    if (setSearchPathMode)
        setSearchPathMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
    // Takes the current folder out of the search where the restriction below is missing.
    SetDllDirectoryFunction setDllDirectory =
        ExportAs<SetDllDirectoryFunction>(GetProcAddress(kernel, "SetDllDirectoryA"));
    if (setDllDirectory)
        setDllDirectory("");
    // On Vista (6.0) the shell link object cannot be made once the search is restricted.
    SetDefaultDllDirectoriesFunction setDefaultDirectories =
        LOWORD(GetVersion()) == 0x0006
            ? NULL
            : ExportAs<SetDefaultDllDirectoriesFunction>(
                  GetProcAddress(kernel, "SetDefaultDllDirectories"));
    if (setDefaultDirectories && setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    Preload(THEMING_LIBRARIES, sizeof THEMING_LIBRARIES / sizeof THEMING_LIBRARIES[0]);
    Preload(preload, count);
}
