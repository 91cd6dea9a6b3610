// The installed product's own programs at work: Quillmere checking its installation, and
// Remove Quillmere taking it away again. Each scenario installs once and groups its
// checks around few runs of them.
#include "driver.h"
#include <shlobj.h>
#include <algorithm>

// The product's programs, started through the shell, get longer than the installer's
// pages to show themselves.
#define PRODUCT_WAIT_MS (4 * WAIT_MS)
#define USER_FILE INSTALL_DIR "\\my notes.txt"
#define LISTED "Quillmere|||Quillmere\r\n" // in Wine's list: key, then the name shown
#define SESSION_MANAGER "SYSTEM\\CurrentControlSet\\Control\\Session Manager"

static bool Install()
{
    if (!InstallWithStartMenu())
        return false;
    KillSetup();
    return FileExists(UNINSTALLER);
}

// Starts a program and waits for its end; its exit code.
static DWORD RunToEnd(const std::string &path, const char *arguments)
{
    if (!StartProgram(path, arguments, INSTALL_DIR))
        return STILL_ACTIVE;
    DWORD code = WaitSetupExit();
    KillSetup();
    return code;
}

static void WriteFileText(const char *path, const std::string &text)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    ok(file != INVALID_HANDLE_VALUE &&
           WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL),
       "wrote %s", path);
    CloseHandle(file);
}

struct Damage {
    const char *destination;
    const char *state; // what the survey calls it
    void (*make)(const std::string &path);
};

static const Damage DAMAGES[] = {
    {"\\deflt.dll", "DAMAGED",
     [](const std::string &path) {
         std::string bytes = FileContents(path.c_str());
         WriteFileText(path.c_str(), bytes.substr(0, bytes.size() / 2));
     }},
    {"\\lists\\GENERAL.DAT", "DAMAGED",
     [](const std::string &path) {
         std::string words = FileContents(path.c_str());
         WriteFileText(path.c_str(), words.substr(0, words.rfind('\n', words.size() - 2) + 1));
     }},
    {"\\notes.wri", "MISSING", [](const std::string &path) { DeleteFileA(path.c_str()); }},
};
static const int DAMAGE_COUNT = sizeof DAMAGES / sizeof DAMAGES[0];

// What the survey calls a file once the damages are done.
static const char *StateOf(const char *destination)
{
    for (const Damage &damage : DAMAGES) {
        if (lstrcmpiA(damage.destination, destination) == 0)
            return damage.state;
    }
    return "ok";
}

// A headline, then one line per installed file that starts with its name and state.
static void CheckSurvey(const std::string &report, bool damaged)
{
    char headline[80];
    if (damaged)
        wsprintfA(headline, "%d of 14 installed files are missing or damaged.\r\n",
                  DAMAGE_COUNT);
    else
        lstrcpyA(headline, "All 14 installed files are present and sound.\r\n");
    ok(report.compare(0, lstrlenA(headline), headline) == 0, "headline \"%s\" in:\n%s",
       headline, report.c_str());
    for (int row = 0; row < PAYLOAD_ROWS; ++row) {
        const char *destination = g_rows[row].destination;
        std::string line = std::string("\r\n") + (destination + 1) + ": " +
                           (damaged ? StateOf(destination) : "ok") + ", ";
        ok(report.find(line) != std::string::npos, "\"%s\" in the report", line.c_str() + 2);
    }
}

static bool IsQuillmereWindow(HWND window, void *)
{
    return ClassName(window) == "QuillmereMain" && WindowText(window) == "Quillmere";
}

// The window shows the same survey, where userprefs.cfg puts it, and closes with 0.
static void CheckWindow()
{
    if (!StartProgram(INSTALL_DIR "\\quillmere.exe", "", INSTALL_DIR))
        return;
    HWND window = WaitForWindow(IsQuillmereWindow, NULL);
    ok(window != NULL, "the window \"Quillmere\" appears");
    if (!window)
        return;
    std::string summary = ControlText(window, 100);
    std::string top = "Quillmere 1.0, English\r\nInstalled in " INSTALL_DIR "\r\n\r\n";
    ok(summary.compare(0, top.size(), top) == 0, "the summary begins with the version and "
                                                 "folder:\n%s", summary.c_str());
    CheckSurvey(summary.substr(std::min(top.size(), summary.size())), true);
    RECT frame;
    GetWindowRect(window, &frame);
    ok(frame.left == 40 && frame.top == 30 && frame.right - frame.left == 640 &&
           frame.bottom - frame.top == 480,
       "placed as userprefs.cfg says: %ld,%ld %ldx%ld", frame.left, frame.top,
       frame.right - frame.left, frame.bottom - frame.top);
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = WaitSetupExit();
    ok(code == 0, "closed, it ends with 0, got %lu", code);
    KillSetup();
}

// Where /selftest leaves its report: Quillmere's folder in the user's local application
// data, which the user can write.
static std::string SelftestLog()
{
    char folder[MAX_PATH] = "";
    SHGetFolderPathA(NULL, CSIDL_LOCAL_APPDATA, NULL, SHGFP_TYPE_CURRENT, folder);
    return std::string(folder) + "\\Quillmere\\selftest.log";
}

// Sound, /selftest ends with 0; with files cut, emptied of a word and deleted it ends
// with 1 and names each of them; the window shows the same.
SCENARIO(product_selftest)
{
    WaitAtLeast(PRODUCT_WAIT_MS);
    if (!Install())
        return;
    const std::string log = SelftestLog();
    DWORD code = RunToEnd(INSTALL_DIR "\\quillmere.exe", "/selftest");
    ok(code == 0, "a sound installation passes, exit code %lu", code);
    CheckSurvey(FileContents(log.c_str()), false);
    ok(!FileExists(INSTALL_DIR "\\selftest.log"), "nothing is written in the programs folder");

    for (const Damage &damage : DAMAGES)
        damage.make(std::string(INSTALL_DIR) + damage.destination);
    DeleteFileA(log.c_str());
    code = RunToEnd(INSTALL_DIR "\\quillmere.exe", "/selftest");
    ok(code == 1, "a damaged installation fails, exit code %lu", code);
    CheckSurvey(FileContents(log.c_str()), true);
    CheckWindow();
}

static std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), ::tolower);
    return text;
}

// The files the system removes at the next restart, one per line.
static std::string PendingRemovals()
{
    char data[16384];
    DWORD size = sizeof data - 1, type = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SESSION_MANAGER, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "";
    LONG result = RegQueryValueExA(key, "PendingFileRenameOperations", NULL, &type,
                                   (BYTE *)data, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return "";
    std::string text(data, size);
    std::replace(text.begin(), text.end(), '\0', '\n');
    return text;
}

static bool Ended()
{
    return WaitSetupExit(0) != STILL_ACTIVE;
}

// Starts Remove Quillmere with /S and waits for its end, watching that neither it nor
// its helper ever shows a window; its exit code.
static DWORD RemoveSilently(const std::string &uninstaller, const char *arguments = "/S")
{
    std::string shown;
    if (!StartProgram(uninstaller, arguments, "C:\\"))
        return STILL_ACTIVE;
    bool unseen = WatchUnseen(Ended, &shown);
    ok(unseen, "Remove Quillmere /S ends, no window of it shows (saw %s)", shown.c_str());
    return WaitSetupExit(0);
}

// The silent removal: the process started ends with 0 once everything of the product is
// gone, its own file too; the user's file stays. Its copy in the temporary folder did the
// work, loaded no library planted beside it there, and waits for the next restart to be
// removed.
static void RemoveQuietly()
{
    if (!PlantLibraries(TemporaryFolder(), "uxtheme"))
        return;
    DWORD code = RemoveSilently(UNINSTALLER);
    int left = InstalledItemsLeft(PROGRAM_GROUP);
    ok(code == 0 && left == 0 && ProductKeysLeft() == 0,
       "ended with 0 once the removal was done: exit code %lu, %d installed items and %d "
       "keys left",
       code, left, ProductKeysLeft());
    std::string shown;
    bool unseen = WatchUnseen(ProgramTreeEnded, &shown);
    ok(unseen, "the helper ends, unseen (saw %s)", shown.c_str());
    KillSetup();
    ok(!FolderExists(PROGRAM_GROUP) && !FolderExists(INSTALL_DIR "\\lists"),
       "the program group and the lists folder are gone");
    ok(FileContents(USER_FILE) == "mine" && FolderExists(INSTALL_DIR),
       "the user's file stays, and its folder");
    std::string loaded = FileContents(PLANTED_LOG);
    ok(loaded.empty(), "the helper loaded no stand-in; loaded:\n%s", loaded.c_str());
    std::string pending = Lower(PendingRemovals());
    ok(pending.find(Lower(TemporaryFolder()) + "rmq") != std::string::npos,
       "the helper from %s waits for the next restart to be removed; pending:\n%s",
       TemporaryFolder().c_str(), pending.c_str());
}

// Declined, nothing changes; removed with /S, everything of the product goes but the
// user's file; once more, there is nothing to remove, silently or not, and an unknown
// argument is refused, silently or not.
SCENARIO(product_uninstall)
{
    WaitAtLeast(PRODUCT_WAIT_MS);
    if (!Install())
        return;
    WriteFileText(USER_FILE, "mine");

    if (StartProgram(UNINSTALLER, "", "C:\\")) {
        ANSWER(NULL, CONFIRM_TEXT(PROGRAM_GROUP), REMOVE_CAPTION, IDNO);
        DWORD code = WaitSetupExit();
        ok(code == 1602, "declined: exit code 1602, got %lu", code);
        KillSetup();
    }
    CheckInstalledFiles();
    CheckShortcuts(PROGRAM_GROUP);
    CheckRegistry(true);

    RemoveQuietly();

    // The installed uninstaller is gone; the one from the build asks the same registry.
    const std::string built = g_extraArgument + "\\removequill.exe";
    DWORD code = RemoveSilently(built, "-s");
    ok(code == 1605, "not installed, silently: exit code 1605, got %lu", code);
    KillSetup();
    code = RemoveSilently(built, "/S /all");
    ok(code == 87, "an unknown argument, silently: exit code 87, got %lu", code);
    KillSetup();
    struct Run {
        const char *arguments;
        const char *message;
        DWORD exitCode;
    };
    static const Run runs[] = {
        {"", "Quillmere is not installed.", 1605},
        {"/all", "Remove Quillmere takes one switch:\n"
                 "/S\tremove Quillmere without any question or message.\n\n"
                 "Nothing was removed.",
         87},
    };
    for (const Run &run : runs) {
        if (!StartProgram(built, run.arguments, "C:\\"))
            continue;
        ANSWER(NULL, run.message, REMOVE_CAPTION, IDOK);
        code = WaitSetupExit();
        ok(code == run.exitCode, "\"%s\": exit code %lu, got %lu", run.arguments, run.exitCode,
           code);
        KillSetup();
    }
    ok(FileContents(USER_FILE) == "mine" && ProductKeysLeft() == 0,
       "nothing changed the second time");
}

// Wine's list of installed programs, which reads what Windows' list reads.
static std::string InstalledProgramsList()
{
    return ProgramOutput(SystemProgram("uninstaller.exe"), "--list");
}

// As Wine makes a system, in Windows 10 mode, the Windows directory has no Start menu:
// the system's Programs folder takes the shortcuts, the list of installed programs shows
// Quillmere, and removing it from there takes everything away, the list's entry too.
SCENARIO(product_today_windows)
{
    WaitAtLeast(PRODUCT_WAIT_MS);
    HWND page = StartToShortcutPage();
    if (!page)
        return;
    ok(ControlText(page, IDC_PATH) == SYSTEM_GROUP, "shortcut box: %s",
       ControlText(page, IDC_PATH).c_str());
    PressButton(page, IDC_BROWSE);
    HWND browser = Appeared(WaitDialogWithControl(IDC_SHORTCUT_FOLDERS, "Folders"),
                            "the shortcut-folder browser");
    if (!browser)
        return;
    ok(ControlText(browser, IDC_SHORTCUT_PATH) == SYSTEM_GROUP, "the browser starts there: %s",
       ControlText(browser, IDC_SHORTCUT_PATH).c_str());
    PressButton(browser, IDOK);
    WaitWindowGone(browser);
    FinishAndExpectSuccess();
    KillSetup();
    CheckInstalledFiles();
    CheckShortcuts(SYSTEM_GROUP);
    CheckRegistry(true, SYSTEM_GROUP);
    std::string listed = InstalledProgramsList();
    ok(listed.find(LISTED) != std::string::npos, "the list shows Quillmere:\n%s", listed.c_str());

    // Were the list's command unquoted, this would start in place of Remove Quillmere.
    CopyFileA((g_extraArgument + "\\quillmere.exe").c_str(), "C:\\Program.exe", FALSE);
    if (!StartProgram(SystemProgram("uninstaller.exe"), "--remove Quillmere", "C:\\"))
        return;
    // Wine's list hands the work to its 64-bit self in a 64-bit system. A process just
    // started may not tell its image yet: it does once its question shows.
    bool followed = FollowChildProcess("removequill.exe") && WaitMessageBox(NULL) != NULL;
    std::string started = ProgramImagePath();
    ok(followed && Lower(started) == Lower(UNINSTALLER), "the list starts %s, started %s",
       UNINSTALLER, started.c_str());
    if (!ConfirmRemoval(CONFIRM_TEXT(SYSTEM_GROUP), SYSTEM_GROUP))
        return;
    ExpectReport("Quillmere has been removed.\n\n"
                 "Removed 14 files, 3 shortcuts, 3 folders and 3 registry keys.",
                 0);
    ok(InstalledItemsLeft(SYSTEM_GROUP) == 0 && !FolderExists(SYSTEM_GROUP) &&
           !FolderExists(INSTALL_DIR),
       "no file, shortcut, program group or installation folder is left");
    ok(ProductKeysLeft() == 0, "no uninstall entry or application path in either view");
    listed = InstalledProgramsList();
    ok(listed.find("|||Quillmere") == std::string::npos, "the list no longer shows Quillmere:\n%s",
       listed.c_str());
}
