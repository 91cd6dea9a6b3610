#include "system_folder.h"
#include "dll_search.h"
#include <shlobj.h>

typedef BOOL(WINAPI *SpecialFolderPathFunction)(HWND, LPSTR, int, BOOL);
typedef HRESULT(WINAPI *FolderPathFunction)(HWND, int, HANDLE, DWORD, LPSTR);

// Where the shell also keeps the Programs folder for all users: under HKEY_LOCAL_MACHINE,
// which only administrators write.
#define SHELL_FOLDERS "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"
#define COMMON_PROGRAMS "Common Programs"

BOOL IsFolder(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static BOOL AskFolderPath(HMODULE library, int csidl, char *folder)
{
    FolderPathFunction folderPath =
        library ? ExportAs<FolderPathFunction>(GetProcAddress(library, "SHGetFolderPathA"))
                : NULL;
    folder[0] = '\0';
    return folderPath && SUCCEEDED(folderPath(NULL, csidl, NULL, SHGFP_TYPE_CURRENT, folder)) &&
           IsFolder(folder);
}

static BOOL ReadShellFolder(int csidl, char *folder)
{
    HKEY key;
    if (csidl != CSIDL_COMMON_PROGRAMS ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, SHELL_FOLDERS, 0, KEY_QUERY_VALUE, &key) !=
            ERROR_SUCCESS)
        return FALSE;
    DWORD size = MAX_PATH - 1;
    BOOL read = RegQueryValueExA(key, COMMON_PROGRAMS, NULL, NULL, (BYTE *)folder, &size) ==
                ERROR_SUCCESS;
    RegCloseKey(key);
    folder[read ? size : 0] = '\0';
    return read && IsFolder(folder);
}

// The shell library is asked by name only once it is loaded; otherwise it is loaded from
// the system folder. Windows NT 4 without the shell's update has neither of its calls:
// there the folder library of later updates, or the registry, still answers.
BOOL SystemFolder(int csidl, char *folder)
{
    char path[MAX_PATH];
    HMODULE shell = GetModuleHandleA("shell32.dll");
    if (!shell)
        shell = LoadSystemLibrary("shell32.dll", path);
    SpecialFolderPathFunction specialFolderPath =
        shell ? ExportAs<SpecialFolderPathFunction>(
                    GetProcAddress(shell, "SHGetSpecialFolderPathA"))
              : NULL;
    folder[0] = '\0';
    if (specialFolderPath && specialFolderPath(NULL, folder, csidl, FALSE) && IsFolder(folder))
        return TRUE;
    return AskFolderPath(shell, csidl, folder) ||
           AskFolderPath(LoadSystemLibrary("shfolder.dll", path), csidl, folder) ||
           ReadShellFolder(csidl, folder);
}
