#include "system_folder.h"
#include "dll_search.h"
#include <shlobj.h>

typedef BOOL(WINAPI *SpecialFolderPathFunction)(HWND, LPSTR, int, BOOL);
typedef HRESULT(WINAPI *FolderPathFunction)(HWND, int, HANDLE, DWORD, LPSTR);

BOOL IsFolder(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The shell library is asked by name only once it is loaded; otherwise it is loaded from
// the system folder.
BOOL SystemFolder(int csidl, char *folder)
{
    char path[MAX_PATH];
    HMODULE shell = GetModuleHandleA("shell32.dll");
    if (!shell)
        shell = LoadSystemLibrary("shell32.dll", path);
    if (!shell)
        return FALSE;
    SpecialFolderPathFunction specialFolderPath =
        ExportAs<SpecialFolderPathFunction>(GetProcAddress(shell, "SHGetSpecialFolderPathA"));
    folder[0] = '\0';
    if (specialFolderPath && specialFolderPath(NULL, folder, csidl, FALSE) && IsFolder(folder))
        return TRUE;
    FolderPathFunction folderPath =
        ExportAs<FolderPathFunction>(GetProcAddress(shell, "SHGetFolderPathA"));
    folder[0] = '\0';
    return folderPath && SUCCEEDED(folderPath(NULL, csidl, NULL, SHGFP_TYPE_CURRENT, folder)) &&
           IsFolder(folder);
}
