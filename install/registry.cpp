#include "install.h"
#include "../pages/pages.h"

#define UNINSTALL_KEY UNINSTALL_LIST PRODUCT_FOLDER
#define UNINSTALLER "\\removequill.exe"
#define KEY_FAILURE_FORMAT "Couldn't create key in registry\n%s"
#define OPEN_ACCESS (KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY)

static_assert(sizeof WINDOWS_KEY <= sizeof WINDOWS_NT_KEY,
              "the failure message is sized for the longer version key");

const char *VersionKeyPath(DWORD version)
{
    // The top bit marks the 9x family; the low byte is the major version.
    return (version & 0x80000000u) && LOBYTE(version) >= 4 ? WINDOWS_KEY : WINDOWS_NT_KEY;
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

// g_installDir may fill its whole buffer, so the joined values get room of their own.
static void JoinInstallDir(char *buffer, int size, const char *name)
{
    CopyText(buffer, size, g_installDir);
    AppendText(buffer, size, name);
}

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
    // Room for the longer of the two joined values.
    char joined[PATH_CHARS + sizeof UNINSTALLER];
    static_assert(sizeof UNINSTALLER >= sizeof "\\" PRODUCT_FOLDER, "the program's path fits");
    JoinInstallDir(joined, sizeof joined, UNINSTALLER);
    if (CreateProductKey(parent, UNINSTALL_KEY, &key)) {
        SetText(key, "DisplayName", PRODUCT_FOLDER);
        SetText(key, "UninstallString", joined);
        SetText(key, "Scdir", g_shortcutDir);
        SetText(key, "Progdir", g_installDir);
        RegCloseKey(key);
    }
    RegCloseKey(parent);

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, APP_PATHS_KEY, 0, OPEN_ACCESS, &parent) !=
        ERROR_SUCCESS)
        return;
    if (CreateProductKey(parent, PRODUCT_FOLDER, &key)) {
        JoinInstallDir(joined, sizeof joined, "\\" PRODUCT_FOLDER);
        SetText(key, "", joined);
        SetText(key, "Path", g_installDir);
        RegCloseKey(key);
    }
    RegCloseKey(parent);
}
