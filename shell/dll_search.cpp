#include "dll_search.h"

typedef BOOL(WINAPI *SetDefaultDllDirectoriesFunction)(DWORD);
typedef BOOL(WINAPI *SetDllDirectoryFunction)(LPCSTR);

template <typename Function> static Function Export(HMODULE module, const char *name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Both are looked up: Windows before 7 (without its update for this) lacks the first,
// Windows 98 both.
void RestrictDllSearch()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDefaultDllDirectoriesFunction setDefaultDirectories =
        Export<SetDefaultDllDirectoriesFunction>(kernel, "SetDefaultDllDirectories");
    if (setDefaultDirectories)
        setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Takes the current folder out of the search where the call above is missing.
    SetDllDirectoryFunction setDllDirectory =
        Export<SetDllDirectoryFunction>(kernel, "SetDllDirectoryA");
    if (setDllDirectory)
        setDllDirectory("");
}
