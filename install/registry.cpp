#include "internal.h"
#include "../pages/pages.h"
#include "../shared/version.h"
#include "../shared/system_folder.h"

#define QUIET " /S" // the uninstaller's switch for removal without a window
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

// Anything not written makes the installation a failed one, which the exit code tells.
static BOOL Written(LONG result, const char *what)
{
    if (result == ERROR_SUCCESS)
        return TRUE;
    LogFailure(what, (DWORD)result);
    SetExitCode(ERROR_INSTALL_FAILURE);
    return FALSE;
}

// NT refuses a sub-key that begins with a separator; the 9x family reads it as relative.
static BOOL CreateProductKey(HKEY parent, const char *subKey, HKEY *key)
{
    while (*subKey == '\\')
        ++subKey;
    LogLine("Registry key ", subKey);
    return Written(RegCreateKeyExA(parent, subKey, 0, (char *)"", REG_OPTION_NON_VOLATILE,
                                   KEY_ALL_ACCESS, NULL, key, NULL),
                   subKey);
}

static void SetValue(HKEY key, const char *name, DWORD type, const void *data, DWORD size)
{
    Written(RegSetValueExA(key, name, 0, type, (const BYTE *)data, size), name);
}

static void SetText(HKEY key, const char *name, const char *text)
{
    Log("  ");
    Log(name);
    LogLine(" = ", text);
    SetValue(key, name, REG_SZ, text, lstrlenA(text) + 1);
}

static void SetNumber(HKEY key, const char *name, DWORD number)
{
    Log("  ");
    Log(name);
    LogNumber(" = ", number);
    SetValue(key, name, REG_DWORD, &number, sizeof number);
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
    static_assert(MANIFEST_FIELD >= sizeof UNINSTALLER_FILE + sizeof QUIET + 2 &&
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
        AppendText(joined, sizeof joined, QUIET);
        SetText(key, "QuietUninstallString", joined);
        SetText(key, "Publisher", VERSION_COMPANY);
        JoinInstallDir(joined, sizeof joined, PROGRAM_FILE);
        SetText(key, "DisplayIcon", joined);
        SetText(key, ENTRY_VERSION, VERSION_TEXT);
        SetText(key, "InstallLocation", g_installDir);
        SetNumber(key, "EstimatedSize", InstalledKilobytes(joined, sizeof joined));
        SetNumber(key, "NoModify", 1);
        SetNumber(key, "NoRepair", 1);
    }
    RegCloseKey(key);
}

// The first of an earlier installation's two entries that holds name as text that accept
// takes (any text, when NULL), into text (size characters).
static BOOL ReadRecorded(const char *name, char *text, DWORD size, BOOL (*accept)(char *text))
{
    static const char *const entries[] = {WINDOWS_KEY UNINSTALL_KEY, WINDOWS_NT_KEY UNINSTALL_KEY};
    for (const char *entry : entries) {
        HKEY key;
        DWORD type = 0, length = size - 1;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, entry, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            continue;
        LONG result = RegQueryValueExA(key, name, NULL, &type, (BYTE *)text, &length);
        RegCloseKey(key);
        text[result == ERROR_SUCCESS && type == REG_SZ ? length : 0] = '\0';
        if (*text && (!accept || accept(text)))
            return TRUE;
    }
    return FALSE;
}

static BOOL IsInstalledFolder(char *folder)
{
    return IsFullFolder(folder) && IsFolder(folder);
}

BOOL RecordedFolder(const char *name, char *folder)
{
    return ReadRecorded(name, folder, PATH_CHARS, IsInstalledFolder);
}

BOOL RecordedText(const char *name, char *text, DWORD size)
{
    return ReadRecorded(name, text, size, NULL);
}

static BOOL OpenMachineKey(const char *path, HKEY *key)
{
    LogLine("Registry: HKLM\\", path);
    return Written(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, OPEN_ACCESS, key), path);
}

// The NT family's list of installed programs reads the "Windows" key too: there the entry
// is written a second time.
void WriteRegistryEntries()
{
    const char *versionKey = VersionKeyPath(g_winVersion);
    HKEY parent, key;
    if (!OpenMachineKey(versionKey, &parent)) {
        char message[sizeof KEY_FAILURE_FORMAT + sizeof WINDOWS_NT_KEY];
        wsprintfA(message, KEY_FAILURE_FORMAT, versionKey);
        Report(g_hMainWnd, message, NULL, MB_OK);
        return;
    }
    WriteUninstallEntry(parent, FALSE);
    RegCloseKey(parent);
    if (!IsWindows9x(g_winVersion) && OpenMachineKey(WINDOWS_KEY, &parent)) {
        WriteUninstallEntry(parent, TRUE);
        RegCloseKey(parent);
    }

    if (!OpenMachineKey(APP_PATHS_KEY, &parent))
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
