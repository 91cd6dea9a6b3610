#include "internal.h"
#include "../pages/pages.h"
#include "../res/version.h"

#define KEY_FAILURE_FORMAT "Couldn't create key in registry\n%s"
#define OPEN_ACCESS (KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY)

static_assert(sizeof WINDOWS_KEY <= sizeof WINDOWS_NT_KEY,
              "the failure message is sized for the longer version key");

// The top bit marks the 9x family; the low byte is the major version.
static BOOL IsWindows9x(DWORD version)
{
    return (version & 0x80000000u) && LOBYTE(version) >= 4;
}

const char *VersionKeyPath(DWORD version)
{
    return IsWindows9x(version) ? WINDOWS_KEY : WINDOWS_NT_KEY;
}

// NT refuses a sub-key that begins with a separator; the 9x family reads it as relative.
static BOOL CreateProductKey(HKEY parent, const char *subKey, HKEY *key)
{
    while (*subKey == '\\')
        ++subKey;
    return RegCreateKeyExA(parent, subKey, 0, (char *)"", REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, NULL, key, NULL) == ERROR_SUCCESS;
}

static void SetText(HKEY key, const char *name, const char *text)
{
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, lstrlenA(text) + 1);
}

static void SetNumber(HKEY key, const char *name, DWORD number)
{
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&number, sizeof number);
}

// g_installDir may fill its whole buffer, so the joined values get room of their own;
// quote ("" or a quotation mark) stands at both ends.
static void JoinInstallDir(char *buffer, int size, const char *name, const char *quote = "")
{
    CopyText(buffer, size, quote);
    AppendText(buffer, size, g_installDir);
    AppendText(buffer, size, name);
    AppendText(buffer, size, quote);
}

// What the fourteen installed files take, in KB rounded up; path is the caller's room for
// each file's path.
static DWORD InstalledKilobytes(char *path, int size)
{
    ULONGLONG bytes = 0;
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        WIN32_FIND_DATAA found;
        JoinInstallDir(path, size, PayloadManifest.destination[row]);
        HANDLE search = FindFirstFileA(path, &found);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        FindClose(search);
        bytes += (ULONGLONG)found.nFileSizeHigh << 32 | found.nFileSizeLow;
    }
    return (DWORD)((bytes + 1023) / 1024);
}

// The entry Windows NT's list of installed programs reads also says how to show the
// product. The list runs its command with administrator rights, so the command is quoted:
// unquoted, a path with a blank would first run a program named by its first part
// (C:\Program.exe for C:\Program files\...). Windows 9x keeps the four values it has
// always had.
static void WriteUninstallEntry(HKEY versionKey, BOOL listed)
{
    // Room for the longest joined value, the quoted command, and for any installed file.
    char joined[PATH_CHARS + MANIFEST_FIELD];
    static_assert(MANIFEST_FIELD >= sizeof UNINSTALLER_FILE + 2 &&
                      sizeof UNINSTALLER_FILE >= sizeof PROGRAM_FILE,
                  "every joined value fits");
    HKEY key;
    if (!CreateProductKey(versionKey, UNINSTALL_KEY, &key))
        return;
    JoinInstallDir(joined, sizeof joined, UNINSTALLER_FILE, listed ? "\"" : "");
    SetText(key, ENTRY_NAME, PRODUCT_FOLDER);
    SetText(key, ENTRY_COMMAND, joined);
    SetText(key, ENTRY_GROUP_DIR, g_shortcutDir);
    SetText(key, ENTRY_PROGRAM_DIR, g_installDir);
    if (listed) {
        JoinInstallDir(joined, sizeof joined, PROGRAM_FILE);
        SetText(key, "DisplayIcon", joined);
        SetText(key, "DisplayVersion", VERSION_TEXT);
        SetText(key, "InstallLocation", g_installDir);
        SetNumber(key, "EstimatedSize", InstalledKilobytes(joined, sizeof joined));
        SetNumber(key, "NoModify", 1);
        SetNumber(key, "NoRepair", 1);
    }
    RegCloseKey(key);
}

// The NT family's list of installed programs reads the "Windows" key too: there the entry
// is written a second time.
void WriteRegistryEntries()
{
    const char *versionKey = VersionKeyPath(g_winVersion);
    HKEY parent, key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, versionKey, 0, OPEN_ACCESS, &parent) != ERROR_SUCCESS) {
        char message[sizeof KEY_FAILURE_FORMAT + sizeof WINDOWS_NT_KEY];
        wsprintfA(message, KEY_FAILURE_FORMAT, versionKey);
        MessageBoxA(g_hMainWnd, message, NULL, MB_OK);
        return;
    }
    WriteUninstallEntry(parent, FALSE);
    RegCloseKey(parent);
    if (!IsWindows9x(g_winVersion) &&
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, WINDOWS_KEY, 0, OPEN_ACCESS, &parent) == ERROR_SUCCESS) {
        WriteUninstallEntry(parent, TRUE);
        RegCloseKey(parent);
    }

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, APP_PATHS_KEY, 0, OPEN_ACCESS, &parent) !=
        ERROR_SUCCESS)
        return;
    if (CreateProductKey(parent, PRODUCT_FOLDER, &key)) {
        char program[PATH_CHARS + sizeof "\\" PRODUCT_FOLDER];
        JoinInstallDir(program, sizeof program, "\\" PRODUCT_FOLDER);
        SetText(key, "", program);
        SetText(key, APP_PATH_FOLDER, g_installDir);
        RegCloseKey(key);
    }
    RegCloseKey(parent);
}
