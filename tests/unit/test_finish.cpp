// The finish: program-group folder, shell links and registry entries, and the version an
// earlier installation recorded.
#include "../check.h"
#include "../../pages/internal.h"
#include "../../install/internal.h"
#include <shlobj.h>
#include <commctrl.h>
#include <string.h>

#define WINDOWS_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
#define WINDOWS_NT_KEY "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
#define APP_PATH WINDOWS_KEY "\\App Paths\\Quillmere"

struct VersionCase {
    DWORD version;
    const char *key;
};

static void TestVersionKey()
{
    static const VersionCase cases[] = {
        {0x0A280105, WINDOWS_NT_KEY}, // top bit clear, major 5
        {0x1DB10106, WINDOWS_NT_KEY}, // top bit clear, major 6
        {0x00000004, WINDOWS_NT_KEY}, // top bit clear, major 4
        {0x80000003, WINDOWS_NT_KEY}, // top bit set, major 3
        {0x80000A03, WINDOWS_NT_KEY},
        {0xC0000004, WINDOWS_KEY},    // top bit set, major 4
        {0xC0000A04, WINDOWS_KEY},
        {0xC0005A05, WINDOWS_KEY},    // top bit set, major 5
        {0x800000FF, WINDOWS_KEY},
    };
    for (unsigned i = 0; i < sizeof cases / sizeof cases[0]; ++i)
        ok(lstrcmpA(VersionKeyPath(cases[i].version), cases[i].key) == 0,
           "version %08lX: expected %s, got %s", cases[i].version, cases[i].key,
           VersionKeyPath(cases[i].version));
}

struct VersionTextCase {
    const char *text;
    ULONGLONG value; // 0: refused
};

// A version the entry names is read as four numbers, compared as one: 1.10 is later than
// 1.9. Anything else tells no version.
static void TestParseVersion()
{
    static const VersionTextCase cases[] = {
        {"1.0.0.0", 0x0001000000000000}, {"0.0.0.1", 1},
        {"1.10.0.0", 0x0001000A00000000}, {"1.9.65535.65535", 0x00010009FFFFFFFF},
        {"65535.65535.65535.65535", ~0ULL}, {"1.0.0", 0}, {"1.0.0.0.0", 0},
        {"65536.0.0.0", 0}, {"4294967297.0.0.0", 0}, {"1.0.0.x", 0}, {"", 0},
        {"1..0.0", 0}, {" 1.0.0.0", 0}, {"1.0.0.0 ", 0}, {"-1.0.0.0", 0},
    };
    for (const VersionTextCase &c : cases) {
        Version version = {0};
        BOOL read = ParseVersion(c.text, &version);
        ok(read == (c.value != 0) && (!read || version.value == c.value),
           "\"%s\": expected %d %016llX, got %d %016llX", c.text, c.value != 0, c.value, read,
           version.value);
    }
}

struct FolderCase {
    const char *folder;
    int size;
    const char *expected; // NULL: refused
};

static void TestProgramGroupFolder()
{
    static const FolderCase cases[] = {
        {"C:\\WINDOWS\\Start Menu\\Programs", PATH_CHARS,
         "C:\\WINDOWS\\Start Menu\\Programs\\Quillmere"},
        {"C:\\WINDOWS\\Start Menu\\Programs\\", PATH_CHARS,
         "C:\\WINDOWS\\Start Menu\\Programs\\Quillmere"},
        {"C:\\", PATH_CHARS, "C:\\Quillmere"},
        {"", PATH_CHARS, "\\Quillmere"},
        {"C:\\ab", 16, "C:\\ab\\Quillmere"}, // exactly fits, terminator included
        {"C:\\ab", 15, NULL},
        {"C:\\ab\\", 16, "C:\\ab\\Quillmere"}, // no second separator
    };
    char buffer[PATH_CHARS];
    for (unsigned i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const FolderCase *c = &cases[i];
        lstrcpyA(buffer, "untouched");
        BOOL made = ProgramGroupFolder(buffer, c->size, c->folder);
        const char *expected = c->expected ? c->expected : "untouched";
        ok(made == (c->expected != NULL) && lstrcmpA(buffer, expected) == 0,
           "case %u \"%s\" in %d: expected \"%s\", got %d \"%s\"", i, c->folder, c->size,
           expected, made, buffer);
    }

    static const char *const starts[] = {"C:\\windows\\Start Menu\\Programs",
                                         "C:\\windows\\Start Menu\\Programs\\"};
    for (unsigned i = 0; i < 2; ++i) {
        lstrcpyA(g_shortcutDir, starts[i]);
        ok(CompleteProgramGroup() &&
               lstrcmpA(g_shortcutDir, "C:\\windows\\Start Menu\\Programs\\Quillmere") == 0,
           "completed from \"%s\": \"%s\"", starts[i], g_shortcutDir);
    }
}

static void Widen(const char *path, WCHAR *wide)
{
    MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
}

// Loads a saved link through the shell's own link object.
static BOOL ReadShortcut(const char *linkFile, char *target, char *description)
{
    WCHAR wide[MAX_PATH];
    IShellLinkA *link;
    IPersistFile *file;
    BOOL read = FALSE;
    Widen(linkFile, wide);
    CoInitialize(NULL);
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   (void **)&link))) {
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file))) {
            read = file->Load(wide, STGM_READ) == S_OK &&
                   SUCCEEDED(link->GetPath(target, MAX_PATH, NULL, SLGP_RAWPATH)) &&
                   link->GetDescription(description, INFOTIPSIZE) == S_OK;
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return read;
}

static BOOL Exists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

struct LinkCase {
    const char *link;
    const char *target;
    const char *description;
};

static void TestCreateShortcut()
{
    char temp[MAX_PATH], folder[MAX_PATH], link[PATH_CHARS], target[PATH_CHARS];
    GetTempPathA(MAX_PATH, temp);
    wsprintfA(folder, "%sqmlinks", temp);
    CreateDirectoryA(folder, NULL);

    static const LinkCase cases[] = {
        {"\\Quillmere.lnk", "\\quillmere.exe", "Quillmere"},
        {"\\Uninstall.lnk", "\\removequill.exe", "Uninstall"},
        {"\\Readme.lnk", "\\Notes.wri", "Readme"},
        {"\\Readme.lnk", "\\notes.wri", "Readme again"}, // a second run overwrites
    };
    for (unsigned i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const LinkCase *c = &cases[i];
        wsprintfA(link, "%s%s", folder, c->link);
        wsprintfA(target, "%s%s", folder, c->target);
        CloseHandle(CreateFileA(target, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
        HRESULT result = CreateShortcut(target, link, c->description);
        ok(result == S_OK, "%s: saved, got %08lX", c->link, result);
        char path[MAX_PATH] = "", description[INFOTIPSIZE] = "";
        ok(ReadShortcut(link, path, description) && lstrcmpiA(path, target) == 0 &&
               lstrcmpA(description, c->description) == 0,
           "%s: expected \"%s\" \"%s\", read \"%s\" \"%s\"", c->link, target, c->description,
           path, description);
    }

    wsprintfA(link, "%s\\missing\\Quillmere.lnk", folder);
    ok(FAILED(CreateShortcut(target, link, "Quillmere")) && !Exists(link),
       "a link in a missing folder fails");

    // Paths of 259 characters fit the 260-unit buffer; one more is refused, not shortened.
    int room = MAX_PATH - 1 - lstrlenA(folder) - (int)sizeof "\\.lnk" + 1;
    for (int extra = 0; extra <= 1; ++extra) {
        lstrcpyA(link, folder);
        lstrcatA(link, "\\");
        memset(link + lstrlenA(link), 'q', room + extra);
        lstrcpyA(link + lstrlenA(folder) + 1 + room + extra, ".lnk");
        HRESULT result = CreateShortcut(target, link, "Quillmere");
        if (extra == 0)
            ok(lstrlenA(link) == MAX_PATH - 1 && result == S_OK && Exists(link),
               "a %d-character link path is saved: %08lX", lstrlenA(link), result);
        else
            ok(result == HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE) && !Exists(link),
               "a %d-character link path is refused: %08lX", lstrlenA(link), result);
    }
    // Only the one link that fitted starts with the long name: nothing cut short was saved.
    wsprintfA(link, "%s\\qqqq*", folder);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(link, &found);
    int count = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do
            ++count;
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    ok(count == 1, "one long-named file in the folder, found %d", count);
}

static BOOL ReadValue(const char *keyPath, const char *name, char *data, DWORD *type,
                      DWORD *size)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return FALSE;
    *size = PATH_CHARS;
    data[0] = '\0';
    LONG result = RegQueryValueExA(key, name, NULL, type, (BYTE *)data, size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

// A REG_SZ value holding exactly the text, terminator counted in its size.
static void CheckValue(const char *keyPath, const char *name, const char *expected)
{
    char data[PATH_CHARS] = "";
    DWORD type = 0, size = 0;
    BOOL read = ReadValue(keyPath, name, data, &type, &size);
    ok(read && type == REG_SZ && size == (DWORD)lstrlenA(expected) + 1 &&
           lstrcmpA(data, expected) == 0,
       "%s \"%s\": expected \"%s\", got %d type %lu size %lu \"%s\"", keyPath, name, expected,
       read, type, size, data);
}

struct RegistryRun {
    DWORD version;
    const char *installDir;
    const char *shortcutDir;
    const char *versionKey;
};

static void CheckEntry(const char *versionKey, const RegistryRun *run, const char *quote)
{
    char uninstallKey[MAX_PATH], text[PATH_CHARS];
    wsprintfA(uninstallKey, "%s\\Uninstall\\Quillmere", versionKey);
    CheckValue(uninstallKey, "DisplayName", "Quillmere");
    wsprintfA(text, "%s%s\\removequill.exe%s", quote, run->installDir, quote);
    CheckValue(uninstallKey, "UninstallString", text);
    CheckValue(uninstallKey, "Scdir", run->shortcutDir);
    CheckValue(uninstallKey, "Progdir", run->installDir);
}

// Every run writes the entry below the "Windows" key, the NT family's with its command
// quoted, and also the one below their own version key, as it always was.
static void TestRegistryEntries()
{
    static const RegistryRun runs[] = {
        {0x0A280105, "C:\\Program files\\Quillmere",
         "C:\\windows\\Start Menu\\Programs\\Quillmere", WINDOWS_NT_KEY},
        {0xC0000A04, "C:\\Quillmere", "C:\\Menu\\Quillmere", WINDOWS_KEY},
        {0x1DB10106, "D:\\Tools\\Quill", "C:\\windows\\Start Menu\\Quillmere", WINDOWS_NT_KEY},
    };
    char text[PATH_CHARS];
    g_hMainWnd = NULL;
    for (unsigned i = 0; i < sizeof runs / sizeof runs[0]; ++i) {
        const RegistryRun *run = &runs[i];
        g_winVersion = run->version;
        lstrcpyA(g_installDir, run->installDir);
        lstrcpyA(g_shortcutDir, run->shortcutDir);
        WriteRegistryEntries();

        BOOL nt = lstrcmpA(run->versionKey, WINDOWS_NT_KEY) == 0;
        if (nt)
            CheckEntry(WINDOWS_NT_KEY, run, "");
        CheckEntry(WINDOWS_KEY, run, nt ? "\"" : "");
        wsprintfA(text, "%s\\Quillmere", run->installDir);
        CheckValue(APP_PATH, "", text);
        CheckValue(APP_PATH, "Path", run->installDir);
    }
}

// Closes every message box the main thread opens, keeping what the last one said.
struct BoxWatch {
    DWORD thread;
    volatile LONG stop;
    volatile LONG boxes;
    char text[PATH_CHARS];
    char caption[MAX_PATH];
};
static BoxWatch g_watch;

static BOOL CALLBACK CloseBox(HWND window, LPARAM)
{
    char name[16];
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    GetDlgItemTextA(window, 0xFFFF, g_watch.text, sizeof g_watch.text);
    GetWindowTextA(window, g_watch.caption, sizeof g_watch.caption);
    InterlockedIncrement(&g_watch.boxes);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    while (IsWindow(window))
        Sleep(10);
    return FALSE;
}

static DWORD WINAPI WatchBoxes(void *)
{
    while (!g_watch.stop) {
        EnumThreadWindows(g_watch.thread, CloseBox, 0);
        Sleep(20);
    }
    return 0;
}

static DWORD CountSubKeys(HKEY key)
{
    DWORD subKeys = 0;
    RegQueryInfoKeyA(key, NULL, NULL, NULL, &subKeys, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
    return subKeys;
}

// HKEY_LOCAL_MACHINE is redirected to an empty key, where no version key can be opened.
static void TestRegistryFailure()
{
    HKEY sandbox;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\QuillmereSandbox", 0, NULL, 0, KEY_ALL_ACCESS,
                    NULL, &sandbox, NULL);
    ok(RegOverridePredefKey(HKEY_LOCAL_MACHINE, sandbox) == ERROR_SUCCESS,
       "the machine key is redirected");
    g_watch.thread = GetCurrentThreadId();
    HANDLE watcher = CreateThread(NULL, 0, WatchBoxes, NULL, 0, NULL);

    static const DWORD versions[] = {0x0A280105, 0xC0000A04};
    lstrcpyA(g_installDir, "C:\\Program files\\Quillmere");
    for (unsigned i = 0; i < 2; ++i) {
        g_winVersion = versions[i];
        lstrcpyA(g_shortcutDir, "C:\\windows\\Start Menu\\Programs\\Quillmere");
        g_watch.boxes = 0;
        WriteRegistryEntries();
        char expected[MAX_PATH];
        wsprintfA(expected, "Couldn't create key in registry\n%s", VersionKeyPath(versions[i]));
        ok(g_watch.boxes == 1 && lstrcmpA(g_watch.text, expected) == 0,
           "version %08lX: one box \"%s\", got %ld \"%s\"", versions[i], expected,
           g_watch.boxes, g_watch.text);
        ok(lstrcmpA(g_shortcutDir, "C:\\windows\\Start Menu\\Programs\\Quillmere") == 0,
           "the folder survives the failure");
        ok(CountSubKeys(sandbox) == 0, "nothing is written after the failure");
    }

    // With only the version key there, the uninstall entry is made and App Paths skipped.
    HKEY versionKey;
    RegCreateKeyExA(sandbox, WINDOWS_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &versionKey, NULL);
    g_watch.boxes = 0;
    WriteRegistryEntries();
    ok(g_watch.boxes == 0, "no message without App Paths, got %ld", g_watch.boxes);
    CheckValue(WINDOWS_KEY "\\Uninstall\\Quillmere", "Progdir", "C:\\Program files\\Quillmere");
    ok(CountSubKeys(versionKey) == 1, "only the uninstall entry below the version key, %lu",
       CountSubKeys(versionKey));
    RegCloseKey(versionKey);

    g_watch.stop = 1;
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, NULL);
    RegCloseKey(sandbox);
}

int main()
{
    TestVersionKey();
    TestParseVersion();
    TestProgramGroupFolder();
    TestCreateShortcut();
    TestRegistryEntries();
    TestRegistryFailure();
    return check_summary();
}
