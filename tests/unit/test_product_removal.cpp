// The uninstaller's engine: finding the installation through its uninstall entry in
// either list and either registry view, removing exactly what the installer made, and
// the exit code that says how it went. GetVersion, GetFileInformationByHandle,
// RegOpenKeyExA and GetProcAddress are wrapped at link time to answer as Windows 9x and
// Windows 2000 do; GetProcAddress also gives a MoveFileExA that notes what is marked for
// the next restart, or refuses it, and DeleteFileA refuses a library as Windows refuses a
// library in use.
#include "../check.h"
#include "files.h"
#include "../../shared/manifest.h"
#include "../../payload/removequill/removal.h"
#include <string>
#include <string.h>

ANSWER_IMPORT(GetVersion, 0)
ANSWER_IMPORT(GetFileInformationByHandle, 8)
ANSWER_IMPORT(RegOpenKeyExA, 20)
ANSWER_IMPORT(GetProcAddress, 8)
ANSWER_IMPORT(DeleteFileA, 4)
static bool g_windows9x, g_indexChanges, g_windows2000;

static DWORD WINAPI AnswerGetVersion() { return g_windows9x ? 0xC0000A04 : g_realGetVersion(); }

// As on Windows 9x: another index at each open.
static BOOL WINAPI AnswerGetFileInformationByHandle(HANDLE file,
                                                   LPBY_HANDLE_FILE_INFORMATION information)
{
    static DWORD opens;
    BOOL answered = g_realGetFileInformationByHandle(file, information);
    information->nFileIndexLow += g_indexChanges ? ++opens : 0;
    return answered;
}

// Windows 2000 refuses the view flags, and has no WOW64.
static LONG WINAPI AnswerRegOpenKeyExA(HKEY root, LPCSTR path, DWORD options, REGSAM access,
                                       PHKEY key)
{
    bool view = access & (KEY_WOW64_64KEY | KEY_WOW64_32KEY);
    return g_windows2000 && view ? ERROR_ACCESS_DENIED
                                 : g_realRegOpenKeyExA(root, path, options, access, key);
}

static BOOL WINAPI MarkForRestart(LPCSTR path, LPCSTR newPath, DWORD flags);

// Windows 9x has no MoveFileExA; Windows 2000 no WOW64.
static FARPROC WINAPI AnswerGetProcAddress(HMODULE module, LPCSTR name)
{
    bool wow64 = HIWORD(name) && lstrcmpA(name, "IsWow64Process") == 0;
    bool move = HIWORD(name) && lstrcmpA(name, "MoveFileExA") == 0;
    if ((g_windows2000 && wow64) || (g_windows9x && move))
        return NULL;
    return move ? (FARPROC)(void (*)())MarkForRestart : g_realGetProcAddress(module, name);
}

#define ROOT "C:\\qmtest"
#define PROGRAM_DIR ROOT "\\Quillmere"
#define GROUP_DIR ROOT "\\Programs\\Quillmere"
#define NT_ENTRY WINDOWS_NT_KEY UNINSTALL_KEY
#define WIN_ENTRY WINDOWS_KEY UNINSTALL_KEY
#define APP_PATH APP_PATHS_KEY "\\" PRODUCT_FOLDER
#define NOT_OURS ": the folder holds files that Quillmere did not install\n"
#define IN_USE_FILE PROGRAM_DIR "\\deflt.dll"
#define UNINSTALLER PROGRAM_DIR "\\removequill.exe"

// What the removal asked to remove at the next restart; whether the system agrees. Other
// moves are made.
static std::string g_marked;
static bool g_markingRefused;
static BOOL WINAPI MarkForRestart(LPCSTR path, LPCSTR newPath, DWORD flags)
{
    if (flags == 0 && newPath)
        return MoveFileA(path, newPath);
    if (newPath || flags != MOVEFILE_DELAY_UNTIL_REBOOT || g_markingRefused) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    g_marked += std::string(path) + "\n";
    return TRUE;
}

// A library a program has loaded can be renamed, not deleted.
static bool g_libraryLoaded;
static BOOL WINAPI AnswerDeleteFileA(LPCSTR path)
{
    if (g_libraryLoaded && lstrcmpiA(path, IN_USE_FILE) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return g_realDeleteFileA(path);
}

static void MakeFile(const std::string &path)
{
    ok(PutText(path, ""), "made %s", path.c_str());
}

static bool Exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The files, the lists folder and the three shortcuts as an installation leaves them.
static void MakeInstalledFiles()
{
    CreateDirectoryA(ROOT, NULL);
    CreateDirectoryA(PROGRAM_DIR, NULL);
    CreateDirectoryA(ROOT "\\Programs", NULL);
    CreateDirectoryA(GROUP_DIR, NULL);
    for (int i = 0; i < PAYLOAD_SUBDIRS; ++i)
        CreateDirectoryA((std::string(PROGRAM_DIR) + PayloadSubdirs[i]).c_str(), NULL);
    for (int row = 0; row < MANIFEST_ROWS; ++row)
        MakeFile(std::string(PROGRAM_DIR) + PayloadManifest.destination[row]);
    for (int i = 0; i < SHORTCUT_ROWS; ++i)
        MakeFile(std::string(GROUP_DIR) + ProgramGroupShortcuts[i].linkFile);
}

static void SetValue(const char *path, REGSAM view, const char *name, DWORD type,
                     const std::string &data)
{
    HKEY key;
    ok(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL, 0, KEY_SET_VALUE | view, NULL, &key,
                       NULL) == ERROR_SUCCESS,
       "created %s", path);
    RegSetValueExA(key, name, 0, type, (const BYTE *)data.c_str(), (DWORD)data.size() + 1);
    RegCloseKey(key);
}

static void WriteEntry(const char *path, REGSAM view, const char *folder = PROGRAM_DIR)
{
    SetValue(path, view, "DisplayName", REG_SZ, PRODUCT_FOLDER);
    SetValue(path, view, "Progdir", REG_SZ, folder);
    SetValue(path, view, "Scdir", REG_SZ, GROUP_DIR);
}

static bool KeyExists(const char *path, REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

static void DeleteKeyEverywhere(const char *path)
{
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY, 0);
}

static void CleanRegistry()
{
    DeleteKeyEverywhere(NT_ENTRY);
    DeleteKeyEverywhere(WIN_ENTRY);
    DeleteKeyEverywhere(APP_PATH);
}

// Both steps, as the uninstaller's helper takes them around the first process's end.
static void RemoveAll(const Installation *installation, Removal *removal)
{
    RemoveInstallation(installation, removal);
    FinishRemoval(installation, removal);
}

static std::string Report(const Removal &removal)
{
    static char text[REPORT_CHARS];
    ComposeReport(&removal, text, sizeof text);
    return text;
}

struct DamagedEntryCase {
    const char *what;
    DWORD type;
    std::string progdir;
    bool scdir;
};

// Values that cannot be used name the key and find nothing.
static void TestFinding()
{
    Installation installation;
    char entry[ENTRY_NAME_CHARS] = "";
    CleanRegistry();
    ok(FindInstallation(&installation, entry, sizeof entry) == NOT_INSTALLED,
       "no entry anywhere: not installed");

    const DamagedEntryCase cases[] = {
        {"no Scdir", REG_SZ, PROGRAM_DIR, false},
        {"an empty Progdir", REG_SZ, "", true},
        {"a Progdir of another type", REG_EXPAND_SZ, PROGRAM_DIR, true},
        {"a Progdir longer than any path", REG_SZ, std::string(PATH_CHARS, 'x'), true},
    };
    for (const DamagedEntryCase &c : cases) {
        CleanRegistry();
        SetValue(NT_ENTRY, KEY_WOW64_64KEY, "Progdir", c.type, c.progdir);
        if (c.scdir)
            SetValue(NT_ENTRY, KEY_WOW64_64KEY, "Scdir", REG_SZ, GROUP_DIR);
        entry[0] = '\0';
        ok(FindInstallation(&installation, entry, sizeof entry) == ENTRY_DAMAGED &&
               strcmp(entry, "HKEY_LOCAL_MACHINE\\" NT_ENTRY " (64-bit view)") == 0,
           "%s: a damaged entry, named \"%s\"", c.what, entry);
    }

    // A usable entry anywhere wins over a damaged one.
    WriteEntry(WIN_ENTRY, KEY_WOW64_32KEY);
    ok(FindInstallation(&installation, entry, sizeof entry) == INSTALLATION_FOUND &&
           strcmp(installation.programDir, PROGRAM_DIR) == 0 &&
           strcmp(installation.groupDir, GROUP_DIR) == 0,
       "the entry in the 32-bit view's Windows list is found: %s, %s", installation.programDir,
       installation.groupDir);
    CleanRegistry();
}

// Everything of the installation goes; a file of the user's keeps its folder; the keys
// of another installation stay.
static void TestRemoval()
{
    CleanRegistry();
    MakeInstalledFiles();
    MakeFile(PROGRAM_DIR "\\my letter.txt");
    WriteEntry(NT_ENTRY, KEY_WOW64_64KEY);
    WriteEntry(WIN_ENTRY, KEY_WOW64_32KEY);
    SetValue(APP_PATH, KEY_WOW64_64KEY, "Path", REG_SZ, PROGRAM_DIR);
    WriteEntry(WIN_ENTRY, KEY_WOW64_64KEY, "D:\\Elsewhere");

    Installation installation;
    char entry[ENTRY_NAME_CHARS];
    ok(FindInstallation(&installation, entry, sizeof entry) == INSTALLATION_FOUND, "found");
    static Removal removal;
    RemoveInstallation(&installation, &removal);
    std::string aside = removal.uninstallerAside;
    ok(!Exists(UNINSTALLER) && Exists(aside) &&
           aside.rfind(ROOT "\\rmq", 0) == 0 && removal.removedFiles == MANIFEST_ROWS,
       "the uninstaller's own file is set aside beside the installation folder, as %s, for "
       "the second step; %d files removed",
       aside.c_str(), removal.removedFiles);
    FinishRemoval(&installation, &removal);
    ok(!Exists(aside), "the second step removes it");

    int left = 0;
    for (int row = 0; row < MANIFEST_ROWS; ++row)
        left += Exists(std::string(PROGRAM_DIR) + PayloadManifest.destination[row]);
    for (int i = 0; i < SHORTCUT_ROWS; ++i)
        left += Exists(std::string(GROUP_DIR) + ProgramGroupShortcuts[i].linkFile);
    ok(left == 0, "no installed file or shortcut is left, %d found", left);
    ok(!Exists(GROUP_DIR) && !Exists(PROGRAM_DIR "\\lists"), "the empty folders are gone");
    ok(Exists(PROGRAM_DIR "\\my letter.txt"), "the user's file stays");
    ok(!KeyExists(NT_ENTRY, KEY_WOW64_64KEY) && !KeyExists(WIN_ENTRY, KEY_WOW64_32KEY) &&
           !KeyExists(APP_PATH, KEY_WOW64_64KEY) && !KeyExists(APP_PATH, KEY_WOW64_32KEY),
       "the uninstall entries and the application path are gone");
    ok(KeyExists(WIN_ENTRY, KEY_WOW64_64KEY), "the entry of another installation stays");
    ok(removal.removedFiles == MANIFEST_ROWS && removal.removedShortcuts == SHORTCUT_ROWS &&
           removal.removedFolders == 2 && removal.removedKeys == 3 && removal.missing == 0 &&
           removal.leftCount == 1,
       "counts: %d files, %d shortcuts, %d folders, %d keys, %d missing, %d left",
       removal.removedFiles, removal.removedShortcuts, removal.removedFolders,
       removal.removedKeys, removal.missing, removal.leftCount);
    std::string expected = "Quillmere has been removed, but some items are left:\n" PROGRAM_DIR
                           NOT_OURS "\nRemoved 14 files, 3 shortcuts, 2 folders and 3 "
                           "registry keys.";
    ok(Report(removal) == expected, "report:\n%s\nexpected:\n%s", Report(removal).c_str(),
       expected.c_str());

    // Once more: only what is already gone.
    RemoveAll(&installation, &removal);
    expected = "Quillmere has been removed, but some items are left:\n" PROGRAM_DIR NOT_OURS
               "\nRemoved 0 files, 0 shortcuts, 0 folders and 0 registry keys.\n"
               "17 installed items were already gone.";
    ok(Report(removal) == expected, "second report:\n%s", Report(removal).c_str());

    DeleteFileA(PROGRAM_DIR "\\my letter.txt");
    RemoveAll(&installation, &removal);
    ok(!Exists(PROGRAM_DIR) && removal.removedFolders == 1 && removal.leftCount == 0,
       "the emptied installation folder goes");
    CleanRegistry();
}

// Windows 2000 has one registry: the entry is found and removed without the view flags.
static void TestWindows2000()
{
    CleanRegistry();
    MakeInstalledFiles();
    WriteEntry(WIN_ENTRY, KEY_WOW64_32KEY); // this program's own view
    g_windows2000 = true;
    Installation installation;
    char entry[ENTRY_NAME_CHARS];
    static Removal removal;
    bool found = FindInstallation(&installation, entry, sizeof entry) == INSTALLATION_FOUND;
    if (found)
        RemoveAll(&installation, &removal);
    g_windows2000 = false;
    ok(found && removal.removedFiles == MANIFEST_ROWS && removal.removedKeys == 1 &&
           removal.leftCount == 0 && !KeyExists(WIN_ENTRY, KEY_WOW64_32KEY),
       "found: %d; removed %d files and %d keys, %d items left", found, removal.removedFiles,
       removal.removedKeys, removal.leftCount);
}

// A folder where a file was, and files already gone, are told apart.
static void TestOddLeftovers()
{
    MakeInstalledFiles();
    DeleteFileA(PROGRAM_DIR "\\notes.wri");
    CreateDirectoryA(PROGRAM_DIR "\\notes.wri", NULL);
    DeleteFileA(PROGRAM_DIR "\\qmkeys.kbm");
    DeleteFileA(GROUP_DIR "\\Readme.lnk");
    Installation installation;
    lstrcpyA(installation.programDir, PROGRAM_DIR);
    lstrcpyA(installation.groupDir, GROUP_DIR);
    static Removal removal;
    RemoveAll(&installation, &removal);
    std::string expected =
        "Quillmere has been removed, but some items are left:\n" PROGRAM_DIR
        "\\notes.wri: a folder stands where the installed file was\n" PROGRAM_DIR NOT_OURS
        "\nRemoved 12 files, 2 shortcuts, 2 folders and 0 registry keys.\n"
        "2 installed items were already gone.";
    ok(Report(removal) == expected, "report:\n%s", Report(removal).c_str());
    RemoveDirectoryA(PROGRAM_DIR "\\notes.wri");
    RemoveDirectoryA(PROGRAM_DIR);
    ok(!Exists(PROGRAM_DIR), "nothing else was left");
}

// More leftovers than the message can hold: the rest are counted, nothing overflows.
static void TestManyLeftovers()
{
    static Removal removal;
    ZeroMemory(&removal, sizeof removal);
    std::string item(PATH_CHARS - 1, 'p');
    for (int i = 0; i < 10; ++i)
        NoteLeft(&removal, item.c_str(), "why");
    std::string report = Report(removal);
    ok(removal.leftCount == 10 && removal.leftShown == 4, "4 of 10 shown, got %d of %d",
       removal.leftShown, removal.leftCount);
    ok(report.find("and 6 more items.\n") != std::string::npos && report.size() < REPORT_CHARS,
       "the rest are counted (%d characters)", (int)report.size());
}

static HANDLE g_held = INVALID_HANDLE_VALUE;
// An installed library held open as a running program holds it.
static void HoldLibrary()
{
    g_held = CreateFileA(IN_USE_FILE, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0,
                         NULL);
    ok(g_held != INVALID_HANDLE_VALUE, "holding %s", IN_USE_FILE);
}

// The files set aside beside the installation folder, removed.
static void RemoveSetAside()
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(ROOT "\\rmq*.tmp", &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        DeleteFileA((std::string(ROOT "\\") + found.cFileName).c_str());
    FindClose(search);
}

static std::string Wininit()
{
    char folder[MAX_PATH] = "";
    GetWindowsDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\WININIT.INI";
}

static HANDLE g_otherRun;
#define SET_ASIDE "(set aside)" // marked under a new name beside the installation folder
#define IN_USE_LINE IN_USE_FILE ": in use; it goes when Windows restarts\n"

struct ExitCase {
    const char *what;
    void (*prepare)();
    int exitCode;
    const char *left;   // the report's line for what stays, "" for none
    const char *marked; // what goes at the next restart through MoveFileExA
};

// What stays decides the exit code: the user's own files never make it fail; a file in
// use that goes at the next restart asks for one, where the system lacks MoveFileExA too;
// anything an error keeps is a failure. A file that can be renamed leaves its name free.
static void TestExitCodes()
{
    static const ExitCase cases[] = {
        {"nothing stays", [] {}, ERROR_SUCCESS, "", ""},
        {"the user's file keeps its folder", [] { MakeFile(PROGRAM_DIR "\\my letter.txt"); },
         ERROR_SUCCESS, PROGRAM_DIR NOT_OURS, ""},
        {"a file held open, marked", HoldLibrary, ERROR_SUCCESS_REBOOT_REQUIRED, IN_USE_LINE,
         IN_USE_FILE "\n"},
        {"a file held open that cannot be marked", [] { HoldLibrary(), g_markingRefused = true; },
         ERROR_INSTALL_FAILURE, IN_USE_FILE ": error 32", ""}, // the sharing violation
        {"a library in use", [] { g_libraryLoaded = true; }, ERROR_SUCCESS_REBOOT_REQUIRED,
         IN_USE_LINE, SET_ASIDE},
        {"a file held open, as Windows 9x", [] { HoldLibrary(), g_windows9x = true; },
         ERROR_SUCCESS_REBOOT_REQUIRED, IN_USE_LINE, ""},
        {"a setup begun before the uninstaller's file could go, as Windows 9x",
         [] { g_windows9x = true, g_otherRun = CreateMutexA(NULL, FALSE, ONE_AT_A_TIME); },
         ERROR_SUCCESS, UNINSTALLER ": a new setup or removal of Quillmere has begun\n", ""},
    };
    for (const ExitCase &c : cases) {
        MakeInstalledFiles();
        g_marked.clear();
        c.prepare();
        Installation installation;
        lstrcpyA(installation.programDir, PROGRAM_DIR);
        lstrcpyA(installation.groupDir, GROUP_DIR);
        static Removal removal;
        RemoveAll(&installation, &removal);
        std::string report = Report(removal);
        ok(RemovalExitCode(&removal) == c.exitCode, "%s: exit code %d, got %d", c.what,
           c.exitCode, RemovalExitCode(&removal));
        ok(*c.left ? report.find(c.left) != std::string::npos
                   : report.find("some items are left") == std::string::npos,
           "%s: report:\n%s", c.what, report.c_str());
        bool marked = strcmp(c.marked, SET_ASIDE) == 0
                          ? g_marked.rfind(ROOT "\\rmq", 0) == 0 && !Exists(IN_USE_FILE) &&
                                !Exists(PROGRAM_DIR)
                          : g_marked == c.marked;
        ok(marked, "%s: marked for the next restart: \"%s\"", c.what, g_marked.c_str());
        if (g_held != INVALID_HANDLE_VALUE)
            CloseHandle(g_held);
        if (g_otherRun)
            CloseHandle(g_otherRun);
        g_held = INVALID_HANDLE_VALUE;
        g_otherRun = NULL;
        g_windows9x = g_libraryLoaded = g_markingRefused = false;
        RemoveSetAside();
        DeleteFileA(IN_USE_FILE);
        DeleteFileA(UNINSTALLER);
        DeleteFileA(PROGRAM_DIR "\\my letter.txt");
        DeleteFileA(Wininit().c_str());
        RemoveDirectoryA(PROGRAM_DIR);
    }
}

struct WininitCase {
    const char *what;
    const char *before; // NULL for no file
    const char *after;  // '%' stands for the new line, NULL for the same as before
};

// Where MoveFileExA is missing, the file goes through a line of WININIT.INI's [rename]
// section, its name short; what the file held stays, in its own line ends.
static void TestWininit()
{
    static const WininitCase cases[] = {
        {"no file", NULL, "[rename]\r\n%\r\n"},
        {"another section", "[CombineVxDs]\r\nA=1", "[CombineVxDs]\r\nA=1\r\n[rename]\r\n%\r\n"},
        {"lines ended by LF, the section last and its last line open",
         "[x]\nA=1\n [Rename] \nNUL=C:\\OLD.TXT", "[x]\nA=1\n [Rename] \nNUL=C:\\OLD.TXT\n%\n"},
        {"the section before another",
         "[rename]\r\nNUL=C:\\OLD.TXT\r\n\r\n[x]\r\nB=2\r\n",
         "[rename]\r\nNUL=C:\\OLD.TXT\r\n%\r\n\r\n[x]\r\nB=2\r\n"},
        {"UTF-16, which WININIT.EXE cannot read", "\xFF\xFE[", NULL},
    };
    const std::string file = ROOT "\\held library.dll", ini = Wininit();
    MakeFile(file);
    char brief[MAX_PATH] = "";
    GetShortPathNameA(file.c_str(), brief, MAX_PATH);
    const std::string line = std::string("NUL=") + brief;
    ok(line.find(' ') == std::string::npos, "a short name: %s", line.c_str());
    g_windows9x = true;
    for (const WininitCase &c : cases) {
        PutText(ini, c.before);
        BOOL marked = RemoveAtRestart(file.c_str());
        std::string expected;
        for (const char *a = c.after ? c.after : c.before; *a; ++a)
            expected += *a == '%' ? line : std::string(1, *a);
        std::string text = FileText(ini);
        ok(marked == (c.after != NULL) && text == expected && g_marked.empty(),
           "%s: marked %d, WININIT.INI:\n%s\nexpected:\n%s", c.what, marked, text.c_str(),
           expected.c_str());
    }
    g_windows9x = false;
    DeleteFileA(ini.c_str());
    DeleteFileA(file.c_str());
}

// The helper's file holds the bytes given and, while held, no one can write it or take
// its name away.
static void TestHelperFile()
{
    static BYTE bytes[] = "MZ the uninstaller's own bytes";
    FileBytes own = {bytes, sizeof bytes};
    char temp[MAX_PATH], helper[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    HANDLE pin = MakeHelperFile(temp, &own, helper);
    ok(pin != INVALID_HANDLE_VALUE, "the helper's file is made in %s", temp);
    if (pin == INVALID_HANDLE_VALUE)
        return;
    FileBytes held = {NULL, 0};
    ok(ReadOpenFile(pin, &held) == 0 && held.size == own.size &&
           memcmp(held.data, own.data, own.size) == 0,
       "it holds the bytes given (%lu of %lu)", held.size, own.size);
    FreeFileBytes(&held);
    HANDLE writer = CreateFileA(helper, GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, 0, NULL);
    DWORD error = GetLastError();
    ok(writer == INVALID_HANDLE_VALUE && error == ERROR_SHARING_VIOLATION,
       "no other writer while it is held: error %lu", error);
    if (writer != INVALID_HANDLE_VALUE)
        CloseHandle(writer);
    ok(!DeleteFileA(helper) && !MoveFileA(helper, (std::string(helper) + ".moved").c_str()),
       "nor can its name be deleted or moved");
    CloseHandle(pin);
    ok(DeleteFileA(helper), "once let go it can be deleted");
}

// Windows 9x may give the file another index at each open: the bytes prove it there. On
// NT another index is another file: nothing is made, and nothing left.
static void TestChangingIndex()
{
    static BYTE bytes[] = "MZ";
    FileBytes own = {bytes, sizeof bytes};
    char temp[MAX_PATH], helper[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    g_indexChanges = true;
    for (int windows9x = 1; windows9x >= 0; --windows9x) {
        g_windows9x = windows9x;
        HANDLE pin = MakeHelperFile(temp, &own, helper);
        DWORD error = GetLastError();
        bool made = pin != INVALID_HANDLE_VALUE;
        ok(windows9x ? made : !made && error == ERROR_FILE_INVALID && !Exists(helper),
           "as on Windows %s (made there, refused on NT): %s, error %lu",
           windows9x ? "9x" : "NT", made ? "made" : "refused", made ? 0 : error);
        if (made)
            CloseHandle(pin);
        DeleteFileA(helper);
    }
    g_windows9x = g_indexChanges = false;
}

int main()
{
    TestHelperFile();
    TestChangingIndex();
    TestWindows2000();
    TestFinding();
    TestRemoval();
    TestOddLeftovers();
    TestManyLeftovers();
    TestExitCodes();
    TestWininit();
    RemoveDirectoryA(ROOT "\\Programs");
    RemoveDirectoryA(ROOT);
    return check_summary();
}
