// The installation from licence to finish, with the mouse and with keys alone, and the
// roads that leave it early.
#include "driver.h"
#include <algorithm>
#include <vector>

#define PLANTED_FOLDER "C:\\planted" // the links tests/plant-temp-links.sh leaves point here
#define DOWNLOADS "C:\\Downloads"
#define NEW_FOLDER "C:\\New folder" // a blank in setup.exe's path

static void NoteStatus(HWND status, std::vector<std::string> *seen)
{
    std::string text = WindowText(status);
    if (!text.empty() && (seen->empty() || seen->back() != text))
        seen->push_back(text);
}

// Reads the status line as fast as it changes until the copy page goes away, and once
// more: the hidden page keeps its last line until it is destroyed.
static std::vector<std::string> WatchCopy(HWND copyPage)
{
    std::vector<std::string> seen;
    HWND status = GetDlgItem(copyPage, IDC_COPY_STATUS);
    DWORD start = GetTickCount();
    while (IsWindow(copyPage) && IsWindowVisible(copyPage) && WaitSetupExit(0) == STILL_ACTIVE &&
           GetTickCount() - start < WAIT_MS) {
        NoteStatus(status, &seen);
        Sleep(1);
    }
    NoteStatus(status, &seen);
    return seen;
}

static std::string StatusOf(int row)
{
    return std::string("FROM: ") + g_rows[row].temporary + "  TO: " + g_rows[row].destination;
}

// Each row shows for one 50 ms tick, and a loaded machine can keep the watcher away that
// long, the first row's too (the unit test of the engine sees that one): every line seen
// must be a row's, in row order, up to the last, which the ended page still holds.
static void CheckStatuses(const std::vector<std::string> &seen)
{
    int next = 0, strays = 0;
    for (size_t i = 0; i < seen.size(); ++i) {
        int row = next;
        while (row < PAYLOAD_ROWS && seen[i] != StatusOf(row))
            ++row;
        if (row == PAYLOAD_ROWS && ++strays)
            printf("status out of order: \"%s\"\n", seen[i].c_str());
        else
            next = row + 1;
    }
    std::string first = seen.empty() ? "" : seen.front(), last = seen.empty() ? "" : seen.back();
    ok(strays == 0 && last == StatusOf(PAYLOAD_ROWS - 1),
       "status lines \"%s\" to \"%s\" in row order: %d seen, \"%s\" to \"%s\", %d out of "
       "order",
       StatusOf(0).c_str(), StatusOf(PAYLOAD_ROWS - 1).c_str(), (int)seen.size(), first.c_str(),
       last.c_str(), strays);
}

static void WatchStatuses(HWND copyPage)
{
    CheckStatuses(WatchCopy(copyPage));
}

// The installer as a download: in a folder where anything can lie beside it, stand-ins
// for the libraries it uses that Windows does not protect, and it is started there.
static bool StartDownloaded()
{
    CreateDirectoryA(DOWNLOADS, NULL);
    std::string download = DOWNLOADS "\\setup.exe";
    ok(CopyFileA(g_setupPath.c_str(), download.c_str(), FALSE), "setup.exe downloaded");
    g_setupPath = download;
    return PlantLibraries(DOWNLOADS, "lz32,comctl32,uxtheme") && StartSetup(DOWNLOADS);
}

// Through the folder browser, whose list needs the common controls, keeping the folder.
static void BrowseAndKeep(HWND dirPage)
{
    PressButton(dirPage, IDC_BROWSE);
    HWND browser = Appeared(WaitDialogTitled("Setup - directory"), "the folder browser");
    if (!browser)
        return;
    ok(ListCount(GetDlgItem(browser, IDC_FOLDERS)) > 0, "the browser lists folders");
    PressButton(browser, IDOK);
    ok(WaitWindowGone(browser), "OK closes the browser");
}

// Each link planted in the temporary folder still names a file that holds its own name.
static void CheckPlantedLinks()
{
    int changed = 0;
    for (int row = 0; row < PAYLOAD_ROWS; ++row) {
        std::string name = g_rows[row].temporary;
        changed += FileContents((PLANTED_FOLDER "\\" + name).c_str()) != name + "\r\n" ||
                   FileContents((TemporaryFolder() + name).c_str()) != name + "\r\n";
    }
    ok(changed == 0, "the %d files linked from the temporary folder are untouched, %d changed",
       PAYLOAD_ROWS, changed);
}

// A download beside stand-in libraries, with links planted in the temporary folder under
// the installer's names for its temporary files, installs as it would anywhere else: no
// stand-in is loaded and nothing is written through a link.
static void InstallWhole()
{
    MakeStartMenu();
    if (!StartDownloaded())
        return;
    InstallToFinish(WatchStatuses, BrowseAndKeep);
    CheckFolderOpened();
    ExpectSuccess();
    CheckInstalledFiles();
    CheckShortcuts(PROGRAM_GROUP);
    CheckRegistry(true);
    CheckPlantedLinks();
    std::string loaded = FileContents(PLANTED_LOG);
    ok(loaded.empty(), "no stand-in library was loaded; loaded:\n%s", loaded.c_str());
}

SCENARIO(install_whole)
{
    InstallWhole();
}

// Vista keeps the search unrestricted, as its shell link object cannot be made otherwise:
// the theme library, which Windows loads by name with the first window, still comes from
// the system folder.
SCENARIO(install_whole_vista)
{
    ReportWindowsVersion("vista");
    InstallWhole();
}

static void SetMachineString(const char *key, const char *name, const char *value)
{
    HKEY opened;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_SET_VALUE, &opened) == ERROR_SUCCESS) {
        RegSetValueExA(opened, name, 0, REG_SZ, (const BYTE *)value, lstrlenA(value) + 1);
        RegCloseKey(opened);
    }
}

// Starts the installer into a directory that exists already and goes on when asked, and
// first, where the later build is installed, to install this earlier version over it.
// Unquoted, as a launcher that names only the program starts it.
static bool StartIntoExistingDirectory(bool laterInstalled = false, bool unquoted = false)
{
    if (!StartSetup("C:\\", "", unquoted) || (laterInstalled && !ANSWER_DOWNGRADE(IDYES)))
        return false;
    AcceptLicence();
    HWND dirPage = NextOnDirPage();
    return ANSWER(dirPage, "Directory allready exsist or disk isn't writeable.\nContinue with "
                           "installation anyway",
                  NULL, IDYES);
}

// Lets a few rows land: waits until the copy page shows row or a later one, as a busy
// machine may skip some; the copy page, NULL when none came.
static HWND WaitForRow(int row)
{
    HWND copyPage = WaitCopyPage();
    HWND status = copyPage ? GetDlgItem(copyPage, IDC_COPY_STATUS) : NULL;
    DWORD start = GetTickCount();
    for (int shown = -1; status && shown < row && GetTickCount() - start < WAIT_MS; Sleep(1)) {
        std::string text = WindowText(status);
        for (int r = 0; r < PAYLOAD_ROWS; ++r)
            shown = text == StatusOf(r) ? r : shown;
    }
    return copyPage;
}

// Cancel on the copy page once a few rows have landed, Yes, and the cancelled message.
static void CancelCopy()
{
    HWND copyPage = WaitForRow(4);
    if (!copyPage)
        return;
    PressButton(copyPage, IDCANCEL);
    ANSWER(copyPage, "Are you sure you want to cancel the setup?\nAll installed files will be removed.",
           "Question", IDYES);
    HWND main = WaitMainWindow();
    ANSWER(main, "Program will exit", "Setup canceled", IDOK);
    DWORD code = WaitSetupExit();
    ok(code == ERROR_INSTALL_USEREXIT, "exit code 1602 (cancelled), got %lu", code);
}

#define PROGRAM_ROW 6  // quillmere.exe
#define REMOVER_ROW 10 // removequill.exe
#define USERS_FILE INSTALL_DIR "\\my notes.txt"

// What an earlier installation's file holds; this build's for the two programs, which must
// run and tell their version, and for the user's settings, which stay.
static std::string EarlierContents(int row)
{
    std::string built = g_extraArgument + g_rows[row].destination;
    return row == SETTINGS_ROW || row == PROGRAM_ROW || row == REMOVER_ROW
               ? FileContents(built.c_str())
               : "file " + std::to_string(row) + " of an earlier installation";
}

static bool AsEarlier(int row)
{
    return FileContents(Installed(row).c_str()) == EarlierContents(row);
}

// An installation whose files differ from this build's, as an earlier one's would, and a
// file of the user's own beside them.
static void MarkInstalled()
{
    for (int row = 0; row < PAYLOAD_ROWS; ++row)
        WriteWholeFile(Installed(row).c_str(), EarlierContents(row));
    WriteWholeFile(USERS_FILE, "mine");
}

// Every file as the earlier installation left it but row except, and nothing of the
// installer's own beside them.
static void CheckAsBefore(int except = -1)
{
    int changed = 0;
    for (int row = 0; row < PAYLOAD_ROWS; ++row) {
        if (row != except && !AsEarlier(row)) {
            ++changed;
            printf("changed: %s\n", Installed(row).c_str());
        }
    }
    std::string left = InstallerFilesLeft();
    ok(changed == 0 && left.empty() && FileContents(USERS_FILE) == "mine",
       "every file as it was (%d changed), the user's own kept, nothing left beside them: %s",
       changed, left.c_str());
}

// The main road as a Windows version reports itself to setup.exe alone (the prefix is
// Windows 10, the road of install_whole), with the uninstall entries that version gets.
static bool InstallAs(const char *version, bool windowsNT)
{
    ReportWindowsVersion(version);
    if (!InstallWithStartMenu())
        return false;
    CheckInstalledFiles();
    CheckShortcuts(PROGRAM_GROUP);
    CheckRegistry(windowsNT);
    return true;
}

// setup.exe with these switches, watched to its end for any window of its own; its exit
// code.
static DWORD SetupUnseen(const char *arguments)
{
    std::string shown;
    if (!StartSetup("C:\\", arguments))
        return STILL_ACTIVE;
    ok(WatchUnseen(ProgramTreeEnded, &shown, 4 * WAIT_MS), "setup.exe %s ends unseen (saw %s)",
       arguments, shown.c_str());
    return WaitSetupExit(0);
}

#define VERSION_LOG "C:\\versions.log"

// Whether the last run's log says what it was to the installed version.
static bool LoggedRoad(const std::string &installed, const char *road, const std::string &run)
{
    std::string line = "Installed version " + installed + ": " + road + " " + run + "\r\n";
    return FileContents(VERSION_LOG).find(line) != std::string::npos;
}

// Windows 98 keeps its uninstall list below the "Windows" key, the only entry there, with
// no version: the installed program tells it. A reinstallation cancelled on the copy page
// gives every file back. The later version goes over the first installation; this earlier
// one then refuses silently, and asks first when a launcher that names only the program
// starts it from a folder with a blank: Yes rewrites every value and shortcut and replaces
// every file. Windows 98's list of installed programs runs the entry's command as it
// stands, and removes it; a silent setup.exe started the moment the removal's process has
// ended, while its helper still shows its report, installs everything again, and keeps it
// after the helper has ended.
SCENARIO(install_twice_win98)
{
    if (!InstallAs("win98", false))
        return;
    KillSetup();
    MarkInstalled();
    if (!StartIntoExistingDirectory())
        return;
    CancelCopy();
    CheckAsBefore();
    DeleteFileA(USERS_FILE);

    std::string earlier = VersionText(g_setupPath, "ProductVersion");
    UseLaterBuild(true);
    std::string later = VersionText(g_setupPath, "ProductVersion");
    DWORD code = SetupUnseen("/S /LOG=" VERSION_LOG);
    ok(code == 0 && LoggedRoad(earlier, "upgrade to", later),
       "the later version: exit code 0 (got %lu), an upgrade from the program's %s:\n%s", code,
       earlier.c_str(), FileContents(VERSION_LOG).c_str());
    CheckRegistry(false);
    UseLaterBuild(false);
    code = SetupUnseen("/S");
    ok(code == ERROR_PRODUCT_VERSION, "this earlier one: exit code 1638, got %lu", code);

    SetMachineString(WIN_UNINSTALL, "DisplayName", "stale");
    SetMachineString(APP_PATH, "Path", "stale");
    CloseHandle(CreateFileA(PROGRAM_GROUP "\\Readme.lnk", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                            0, NULL));
    CloseHandle(CreateFileA(Installed(0).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    CreateDirectoryA(NEW_FOLDER, NULL);
    ok(CopyFileA(g_setupPath.c_str(), NEW_FOLDER "\\setup.exe", FALSE), "setup.exe in %s",
       NEW_FOLDER);
    g_setupPath = NEW_FOLDER "\\setup.exe";
    if (!StartIntoExistingDirectory(true, true))
        return;
    FinishAndExpectSuccess();
    CheckRegistry(false);
    CheckShortcuts(PROGRAM_GROUP);
    CheckInstalledFiles();

    std::string command = MachineString(WIN_UNINSTALL, "UninstallString");
    if (!StartProgram(command, "", "C:\\", true) ||
        !ConfirmRemoval(CONFIRM_TEXT(PROGRAM_GROUP), PROGRAM_GROUP))
        return;
    DWORD helper = SetupProcessId();
    code = SetupUnseen("/S");
    ok(code == 0, "setup.exe /S started at once ends with 0, got %lu", code);
    if (FollowProcess(helper))
        ExpectReport("Quillmere has been removed.\n\n"
                     "Removed 14 files, 3 shortcuts, 3 folders and 2 registry keys.",
                     0);
    CheckInstalledFiles();
    CheckShortcuts(PROGRAM_GROUP);
    CheckRegistry(false);
}

#define DEPLOY_DIR "C:\\Deploy to\\Quill mere"
#define DEPLOY_LOG "C:\\setup log.txt"

// A command line started beside the program under test, as the system's list of installed
// programs or a person starts it; its process, NULL when it could not start.
static HANDLE Launch(std::string command)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, "C:\\", &startup,
                        &process))
        return NULL;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// The command's exit code once it has ended, waited for a while; it is ended otherwise.
static DWORD RunCommand(const std::string &command)
{
    HANDLE process = Launch(command);
    DWORD code = STILL_ACTIVE;
    if (!process)
        return GetLastError();
    if (WaitForSingleObject(process, 4 * WAIT_MS) != WAIT_OBJECT_0)
        TerminateProcess(process, code);
    WaitForSingleObject(process, WAIT_MS);
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

// As a deployment tool installs: a bad switch, or a log whose name another program has
// made a link (tests/plant-temp-links.sh), changes nothing; /S with a folder of its own
// shows nothing, installs everything there and logs each file; the quiet removal the entry
// names (product_uninstall follows it further) takes it away again, but the user's file.
SCENARIO(install_silently)
{
    DWORD code = SetupUnseen("/S /bogus");
    ok(code == ERROR_INVALID_PARAMETER && !FolderExists(INSTALL_DIR) &&
           !MachineKeyExists(WIN_UNINSTALL),
       "a bad switch: exit code 87 (got %lu), nothing installed", code);
    std::string linked = "/S /LOG=\"" + TemporaryFolder() + "qm-setup.log\"";
    code = SetupUnseen(linked.c_str());
    ok(code == ERROR_INSTALL_LOG_FAILURE &&
           FileContents(PLANTED_FOLDER "\\qm-setup.log") == "qm-setup.log\r\n" &&
           !FolderExists(INSTALL_DIR) && !MachineKeyExists(WIN_UNINSTALL),
       "a log through a planted link: exit code 1622 (got %lu), the file behind it unchanged, "
       "nothing installed",
       code);
    code = SetupUnseen("/S /LOG=\"" DEPLOY_LOG "\" /D=" DEPLOY_DIR);
    ok(code == 0, "exit code 0, got %lu", code);
    CheckInstalledFiles(DEPLOY_DIR);
    CheckShortcuts(SYSTEM_GROUP, DEPLOY_DIR);
    CheckRegistry(true, SYSTEM_GROUP, DEPLOY_DIR);
    std::string log = FileContents(DEPLOY_LOG);
    int unnamed = 0;
    for (int row = 0; row < PAYLOAD_ROWS; ++row)
        unnamed += log.find(Installed(row, DEPLOY_DIR)) == std::string::npos;
    ok(unnamed == 0 && log.find("Exit code 0") != std::string::npos,
       "the log names every file and the exit code, %d files missing:\n%s", unnamed, log.c_str());

    std::string own = DEPLOY_DIR "\\my notes.txt";
    CloseHandle(CreateFileA(own.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    code = RunCommand(MachineString(WIN_UNINSTALL, "QuietUninstallString"));
    int left = 0;
    for (int row = 0; row < PAYLOAD_ROWS; ++row)
        left += FileExists(Installed(row, DEPLOY_DIR).c_str());
    ok(code == 0 && left == 0 && FileExists(own.c_str()) && !MachineKeyExists(WIN_UNINSTALL) &&
           !FolderExists(SYSTEM_GROUP),
       "the quiet removal ends with 0 (got %lu), %d files left, the user's file stays", code,
       left);
}

static bool InFront(HWND window, void *wanted)
{
    return window == wanted && GetForegroundWindow() == window;
}

// A second setup.exe while the first shows its licence changes nothing and ends with 1618,
// interactively bringing the first to the front, silently at once; the first goes on.
SCENARIO(second_setup)
{
    if (!StartSetup())
        return;
    HWND licence = WaitDialogWithControl(IDOK, "I Agree");
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, NULL,
                                 NULL, NULL, NULL);
    SetForegroundWindow(other);
    std::string second = "\"" + g_setupPath + "\"";
    DWORD code = RunCommand(second);
    ok(licence && code == ERROR_INSTALL_ALREADY_RUNNING, "the second ends with 1618, got %lu", code);
    // the focus change reaches this process a moment after the second one has ended
    ok(WaitForWindow(InFront, licence), "the first one's licence is in front");
    code = RunCommand(second + " /S");
    ok(code == ERROR_INSTALL_ALREADY_RUNNING, "a silent second ends with 1618, got %lu", code);
    DestroyWindow(other);
    PressButton(licence, IDCANCEL);
    ANSWER(licence, "Are you sure you want to cancel the setup?", "Question", IDYES);
    ANSWER(WaitMainWindow(), "Program will exit", "Setup canceled", IDOK);
    ok(WaitSetupExit() == ERROR_INSTALL_USEREXIT, "the first one was still whole and cancels");
}

#define OTHER_DIR "C:\\Apps\\Quillmere"

// Every installed file's last write, to see that nothing was written.
static std::vector<std::string> WriteTimes(const char *installDir)
{
    std::vector<std::string> times;
    for (int row = 0; row < PAYLOAD_ROWS; ++row) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        GetFileAttributesExA(Installed(row, installDir).c_str(), GetFileExInfoStandard, &data);
        times.push_back(std::to_string(data.ftLastWriteTime.dwLowDateTime) + "." +
                        std::to_string(data.ftLastWriteTime.dwHighDateTime));
    }
    return times;
}

// Installed to another folder, setup.exe goes there again: silently while Quillmere runs
// it writes nothing and ends with 32, and the quiet removal removes nothing; interactively
// it proposes that folder, says that Quillmere is running, and Retry after closing it
// completes the installation.
SCENARIO(reinstall_while_running)
{
    DWORD code = SetupUnseen("/S /D=" OTHER_DIR);
    ok(code == 0, "installed to " OTHER_DIR ", exit code %lu", code);
    HANDLE program = Launch("\"" + Installed(PROGRAM_ROW, OTHER_DIR) + "\"");
    ok(program && WaitForInputIdle(program, WAIT_MS) == 0, "Quillmere runs");
    std::vector<std::string> before = WriteTimes(OTHER_DIR);
    code = SetupUnseen("/S");
    ok(code == ERROR_SHARING_VIOLATION && WriteTimes(OTHER_DIR) == before &&
           !FolderExists(INSTALL_DIR),
       "/S while Quillmere runs: exit code 32 (got %lu), nothing written", code);
    code = RunCommand(MachineString(WIN_UNINSTALL, "QuietUninstallString"));
    ok(code == ERROR_SHARING_VIOLATION && WriteTimes(OTHER_DIR) == before &&
           MachineKeyExists(WIN_UNINSTALL),
       "the quiet removal while Quillmere runs: exit code 32 (got %lu), nothing removed", code);

    if (!StartSetup())
        return;
    AcceptLicence();
    HWND dirPage = WaitDialogWithControl(IDOK, "Next");
    ok(dirPage && ControlText(dirPage, IDC_PATH) == OTHER_DIR, "the page proposes %s, got %s",
       OTHER_DIR, dirPage ? ControlText(dirPage, IDC_PATH).c_str() : "no page");
    if (!dirPage)
        return;
    PressButton(dirPage, IDOK);
    ANSWER(dirPage, "Directory allready exsist or disk isn't writeable.\nContinue with "
                    "installation anyway",
           NULL, IDYES);
    HWND copyPage = WaitCopyPage();
    HWND box = WaitMessageBox(copyPage);
    ok(box && ControlText(box, 0xFFFF) == "Quillmere is running. Close it, then choose Retry.",
       "the user is told Quillmere runs: %s", box ? ControlText(box, 0xFFFF).c_str() : "no box");
    TerminateProcess(program, 0);
    WaitForSingleObject(program, WAIT_MS);
    CloseHandle(program);
    if (box)
        PressButton(box, IDRETRY);
    FinishAndExpectSuccess();
    CheckInstalledFiles(OTHER_DIR);
    ok(WriteTimes(OTHER_DIR) != before && !FolderExists(INSTALL_DIR),
       "the files were written again where they were");
}

#define NOTES_ROW 9 // notes.wri

#define USER_SETTINGS "[Window]\r\nLeft=40\r\n"

// One installation through the versions it meets: the same version again puts back a file
// that went (a repair); the later one replaces every file, the entry's version and every
// file's own (an upgrade); both keep the user's own settings. This earlier one then writes
// nothing, silently and with progress (1638), and interactively asks first: No, its
// default, cancels (1602).
SCENARIO(versions)
{
    std::string earlier = VersionText(g_setupPath, "ProductVersion");
    DWORD code = SetupUnseen("/S");
    ok(code == 0 && DeleteFileA(Installed(NOTES_ROW).c_str()) &&
           WriteWholeFile(Installed(SETTINGS_ROW).c_str(), USER_SETTINGS),
       "installed, got %lu", code);
    code = SetupUnseen("/S /LOG=" VERSION_LOG);
    ok(code == 0 && LoggedRoad(earlier, "repair with", earlier) &&
           FileContents(VERSION_LOG).find("Kept " + Installed(SETTINGS_ROW)) != std::string::npos,
       "the same version: exit code 0 (got %lu), a repair, the settings kept:\n%s", code,
       FileContents(VERSION_LOG).c_str());
    CheckInstalledFiles(INSTALL_DIR, USER_SETTINGS);

    UseLaterBuild(true);
    std::string later = VersionText(g_setupPath, "ProductVersion");
    code = SetupUnseen("/S /LOG=" VERSION_LOG);
    ok(code == 0 && LoggedRoad(earlier, "upgrade to", later),
       "the later version: exit code 0 (got %lu), an upgrade:\n%s", code,
       FileContents(VERSION_LOG).c_str());
    CheckInstalledFiles(INSTALL_DIR, USER_SETTINGS);
    CheckRegistry(true, SYSTEM_GROUP);
    for (int row = 0; row < PAYLOAD_ROWS; ++row) {
        std::string file = Installed(row);
        ok(!IsProgramRow(row) || FileVersion(file) == later, "%s: version %s, expected %s",
           file.c_str(), FileVersion(file).c_str(), later.c_str());
    }

    UseLaterBuild(false);
    std::vector<std::string> before = WriteTimes(INSTALL_DIR);
    for (const char *mode : {"/S", "/passive"}) {
        code = SetupUnseen((std::string(mode) + " /LOG=" VERSION_LOG).c_str());
        ok(code == ERROR_PRODUCT_VERSION && WriteTimes(INSTALL_DIR) == before &&
               MachineString(WIN_UNINSTALL, "DisplayVersion") == later &&
               LoggedRoad(later, "downgrade to", earlier),
           "%s over the later version: exit code 1638 (got %lu), nothing written:\n%s", mode,
           code, FileContents(VERSION_LOG).c_str());
    }
    if (!StartSetup() || !ANSWER_DOWNGRADE(0))
        return;
    ANSWER(WaitMainWindow(), "Program will exit", "Setup canceled", IDOK);
    code = WaitSetupExit();
    ok(code == ERROR_INSTALL_USEREXIT && WriteTimes(INSTALL_DIR) == before &&
           MachineString(WIN_UNINSTALL, "DisplayVersion") == later,
       "No: exit code 1602 (got %lu), nothing written", code);
}

// A system library that lacks a function setup.exe calls (one of the product's own
// libraries stands in the system folder for LZ32): the message names the library and the
// function, and the exit code says the installation failed.
SCENARIO(missing_system_function)
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    std::string library = std::string(system) + "\\lz32.dll";
    HKEY overrides;
    ok(CopyFileA((g_extraArgument + "\\deflt.dll").c_str(), library.c_str(), FALSE) &&
           RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", 0, NULL, 0,
                           KEY_SET_VALUE, NULL, &overrides, NULL) == ERROR_SUCCESS &&
           RegSetValueExA(overrides, "lz32", 0, REG_SZ, (const BYTE *)"native", 7) ==
               ERROR_SUCCESS,
       "a library without LZ32's functions stands in %s", library.c_str());
    if (!StartSetup())
        return;
    AcceptLicence();
    NextOnDirPage();
    std::string expected = "Unable to load a system library:\n" + library +
                           "\nFunction: LZInit\nProgram will exit";
    ANSWER(NULL, expected.c_str(), "Error", IDOK);
    DWORD code = WaitSetupExit();
    ok(code == ERROR_INSTALL_FAILURE, "exit code 1603, got %lu", code);
}

SCENARIO(install_as_winxp)
{
    InstallAs("winxp", true);
}

SCENARIO(install_as_win7)
{
    InstallAs("win7", true);
}

// Where neither the Windows directory nor the system has a Programs folder, the Windows
// directory's is proposed and no shortcut can be made: the user is told, and the
// installation still ends in success.
SCENARIO(install_without_start_menu)
{
    ok(MoveFileA(SYSTEM_PROGRAMS, SYSTEM_PROGRAMS " away"),
       "the system's Programs folder is gone");
    if (!StartSetup())
        return;
    InstallToFinish(NULL);
    HWND main = WaitMainWindow();
    ANSWER(main, "Setup could not create the shortcuts in\n" PROGRAM_GROUP, "Setup", IDOK);
    ExpectSuccess();
    ok(!FolderExists(PROGRAM_GROUP), "no program group was made");
    CheckInstalledFiles();
    CheckRegistry(true);
}

SCENARIO(shortcut_page_cancel)
{
    MakeStartMenu();
    HWND page = StartToShortcutPage();
    if (!page)
        return;
    PressButton(page, IDCANCEL);
    ANSWER(page, "Cancel creating the shortcuts?", "Confirmation", IDNO);
    ok(IsWindowVisible(page) && IsWindowEnabled(GetDlgItem(page, IDOK)),
       "No keeps the page working");
    PressButton(page, IDCANCEL);
    ANSWER(page, "Cancel creating the shortcuts?", "Confirmation", IDYES);
    HWND main = WaitMainWindow();
    ANSWER(main, "Program will exit", "Setup canceled", IDOK);
    ok(WaitSetupExit() == ERROR_INSTALL_USEREXIT, "exit code 1602");
    CheckInstalledFiles();
    ok(!MachineKeyExists(NT_UNINSTALL) && !MachineKeyExists(WIN_UNINSTALL) &&
           !MachineKeyExists(APP_PATH),
       "no registry entry");
    ok(!FolderExists(PROGRAM_GROUP), "no program group");
}

static HWND CancelDuringCopy(int clicks)
{
    HWND copyPage = WaitCopyPage();
    ok(copyPage != NULL, "the copy page appears");
    if (!copyPage)
        return NULL;
    for (int i = 0; i < clicks; ++i)
        PostMessageA(GetDlgItem(copyPage, IDCANCEL), BM_CLICK, 0, 0);
    ok(ANSWER(copyPage,
              "Are you sure you want to cancel the setup?\nAll installed files will be removed.",
              "Question", IDNO),
       "the copy asks once");
    return copyPage;
}

// Unattended with progress: the copy page comes first and is all that shows, its Cancel
// still asks; several clicks on Cancel give one question, and No lets the copy finish into
// the default folder and program group, with nothing more shown.
SCENARIO(copy_cancel_declined)
{
    if (!StartSetup("C:\\", "/passive"))
        return;
    HWND copyPage = CancelDuringCopy(3);
    ok(copyPage && NoMessageBoxFor(1000), "no second question");
    DWORD code = WaitSetupExit(4 * WAIT_MS);
    ok(code == 0, "the installation ends by itself with exit code 0, got %lu", code);
    CheckInstalledFiles();
    CheckShortcuts(SYSTEM_GROUP);
    CheckRegistry(true, SYSTEM_GROUP);
    ok(!FindWindowA("ExplorerWClass", NULL) && !FindWindowA("CabinetWClass", NULL),
       "no folder window was opened");
}

// Yes removes every file already expanded and keeps the directories.
SCENARIO(copy_cancel_confirmed)
{
    if (!StartSetup())
        return;
    AcceptLicence();
    NextOnDirPage();
    CancelCopy();
    int left = 0;
    for (int row = 0; row < PAYLOAD_ROWS; ++row)
        left += FileExists(Installed(row).c_str());
    ok(left == 0, "every expanded file is removed, %d left", left);
    ok(FolderExists(INSTALL_DIR) && FolderExists(INSTALL_DIR "\\lists"),
       "the directories stay");
}

// The failure message names the row's temporary file, in a folder of the installer's own
// in temp, and the destination; returns the temporary file's path.
static std::string ExpectCopyFailure(const std::string &temp, int row, const std::string &to)
{
    HWND copyPage = WaitCopyPage();
    HWND box = WaitMessageBox(copyPage);
    std::string shown = box ? ControlText(box, 0xFFFF) : "";
    std::string head = "Unable to copy a file:\nFrom=" + temp;
    std::string tail = std::string("\\") + g_rows[row].temporary + "\nTo=" + to +
                       "\nProgram will exit";
    size_t folderLength = shown.size() - std::min(shown.size(), head.size() + tail.size());
    std::string folder = shown.substr(std::min(shown.size(), head.size()), folderLength);
    ok(shown.size() > head.size() + tail.size() && shown.compare(0, head.size(), head) == 0 &&
           shown.compare(shown.size() - tail.size(), tail.size(), tail) == 0 &&
           folder.find('\\') == std::string::npos,
       "expected \"%s<folder>%s\", got \"%s\"", head.c_str(), tail.c_str(), shown.c_str());
    ok(box && WindowText(box) == "Error", "the failure's caption is \"Error\"");
    if (box) {
        PressButton(box, IDOK);
        WaitWindowGone(box);
    }
    HWND main = WaitMainWindow();
    ANSWER(main,
           "An error was ocured.\nYou can send me an email on: support@quillmere.example.com\n"
           "with your error message for a instruction how to setup this progam",
           "Setup error", IDOK);
    DWORD code = WaitSetupExit();
    ok(code == ERROR_INSTALL_FAILURE, "exit code 1603 (failed) after the error, got %lu", code);
    return temp + folder + tail.substr(0, tail.find('\n'));
}

// A temporary folder that cannot be written: the first row fails, "To=" still empty.
SCENARIO(copy_fails_without_temp)
{
    SetEnvironmentVariableA("TEMP", "C:\\missing-temp");
    SetEnvironmentVariableA("TMP", "C:\\missing-temp");
    bool started = StartSetup();
    SetEnvironmentVariableA("TEMP", TemporaryFolder().c_str());
    if (!started)
        return;
    AcceptLicence();
    NextOnDirPage();
    ExpectCopyFailure("C:\\missing-temp\\", 0, "");
    ok(!FileExists(Installed(0).c_str()), "nothing was installed");
}

// A file standing where "lists" should be: the last row fails, both paths named, and the
// files before it stay; the temporary file and its folder are gone.
SCENARIO(copy_fails_on_lists)
{
    CreateDirectoryA(INSTALL_DIR, NULL);
    CloseHandle(CreateFileA(INSTALL_DIR "\\lists", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    if (!StartIntoExistingDirectory())
        return;
    std::string temporary =
        ExpectCopyFailure(TemporaryFolder(), PAYLOAD_ROWS - 1, Installed(PAYLOAD_ROWS - 1));
    ok(FileExists(Installed(0).c_str()) && FileExists(Installed(PAYLOAD_ROWS - 2).c_str()),
       "the rows before it stay installed");
    std::string folder = temporary.substr(0, temporary.rfind('\\'));
    ok(!FileExists(temporary.c_str()) && !FolderExists(folder.c_str()),
       "no temporary file or folder left: %s", temporary.c_str());
}

// A folder, holding the user's things, stands where an installed file was: a reinstallation
// fails at that row and gives every file back, silently (1603, the log names the file and
// the error) and asked; the folder stays as it was and nothing is left under another name.
SCENARIO(reinstall_fails)
{
    const int helpRow = 7; // qmguide.hlp
    ok(SetupUnseen("/S") == 0, "installed");
    MarkInstalled();
    std::string folder = Installed(helpRow), inside = folder + "\\mine.txt";
    ok(DeleteFileA(folder.c_str()) && CreateDirectoryA(folder.c_str(), NULL) &&
           WriteWholeFile(inside.c_str(), "mine"),
       "a folder of the user's stands at %s", folder.c_str());
    DWORD code = SetupUnseen("/S /LOG=\"" DEPLOY_LOG "\"");
    std::string log = FileContents(DEPLOY_LOG);
    ok(code == ERROR_INSTALL_FAILURE && log.find("Failed: " + folder + " (error ") != std::string::npos,
       "/S: exit code 1603 (got %lu), the log names the file and the error:\n%s", code,
       log.c_str());
    CheckAsBefore(helpRow);
    if (!StartIntoExistingDirectory())
        return;
    ExpectCopyFailure(TemporaryFolder(), helpRow, folder);
    CheckAsBefore(helpRow);
    ok(FileContents(inside.c_str()) == "mine", "the folder keeps what it holds");
    CheckRegistry(true, SYSTEM_GROUP);
}

// Whether every installed file is either the earlier one or this build's whole, but at
// most one that is missing: the one whose place was being taken when the run ended.
static bool NoHalfFile()
{
    int others = 0;
    for (int row = 0; row < PAYLOAD_ROWS; ++row)
        others += !AsEarlier(row) && !SameFileContents(Installed(row).c_str(),
                                                       (g_extraArgument + g_rows[row].destination).c_str());
    return others <= 1;
}

// A reinstallation with progress ended half-way, twice, as a crash or a task manager ends
// it: no installed file is ever half written; the next setup.exe puts it right before
// anything else, and installs completely; so does the removal, which leaves only the
// user's file.
SCENARIO(ended_half_way)
{
    ok(SetupUnseen("/S") == 0, "installed");
    MarkInstalled();
    for (int run = 0; run < 2; ++run) {
        if (!StartSetup("C:\\", "/passive"))
            return;
        WaitForRow(4 + 4 * run);
        KillSetup();
        ok(NoHalfFile(), "ended at a row, every name holds a whole file");
    }
    if (!StartSetup())
        return;
    HWND licence = WaitDialogWithControl(IDOK, "I Agree");
    CheckAsBefore();
    PressButton(licence, IDCANCEL);
    ANSWER(licence, "Are you sure you want to cancel the setup?", "Question", IDYES);
    ANSWER(WaitMainWindow(), "Program will exit", "Setup canceled", IDOK);
    ok(WaitSetupExit() == ERROR_INSTALL_USEREXIT, "put right at its start, then cancelled");
    ok(SetupUnseen("/S") == 0, "then /S installs");
    CheckInstalledFiles();
    ok(FileContents(USERS_FILE) == "mine", "the user's file stays");

    // Ended once the remover itself was replaced: the removal runs the new one, which cannot
    // put the earlier one back over itself.
    MarkInstalled();
    if (!StartSetup("C:\\", "/passive"))
        return;
    WaitForRow(REMOVER_ROW + 1);
    KillSetup();
    // The removal, silent, and its helper, which removes the remover's own file, to their end.
    std::string shown;
    bool unseen = StartProgram(Installed(REMOVER_ROW), "/S", "C:\\") &&
                  WatchUnseen(ProgramTreeEnded, &shown, 4 * WAIT_MS);
    DWORD code = WaitSetupExit(0);
    std::string names;
    for (const std::string &name : FolderEntries(INSTALL_DIR "\\*"))
        names += name + ";";
    ok(code == 0 && names == "my notes.txt;",
       "the removal after such an end: exit code 0 (got %lu), only the user's file left: %s",
       code, names.c_str());
    ok(unseen, "the removal ends unseen (saw %s)", shown.c_str());
}

static void DoubleClick(HWND list, const char *item)
{
    int index = FindListItem(list, item);
    ok(index >= 0 && DoubleClickListItem(list, index), "double-click \"%s\"", item);
}

// The Start-menu browser goes up exactly one level from where it starts, enters folders,
// and Cancel keeps the folder walked to.
SCENARIO(shortcut_browser)
{
    MakeStartMenu();
    CreateDirectoryA(PROGRAMS "\\Games", NULL);
    HWND page = StartToShortcutPage();
    if (!page)
        return;
    PressButton(page, IDC_BROWSE);
    HWND browser = WaitDialogWithControl(IDC_SHORTCUT_FOLDERS, "Folders");
    ok(browser != NULL, "the shortcut-folder browser opens");
    if (!browser)
        return;
    HWND list = GetDlgItem(browser, IDC_SHORTCUT_FOLDERS);
    std::vector<std::string> items = ListItems(list);
    ok(items.size() == 3 && items[0] == "........" && items[1] == "Games" && items[2] == "Quillmere",
       "at Programs: parent entry, Games, Quillmere (%d items)", (int)items.size());
    ok(ControlText(browser, IDC_SHORTCUT_PATH) == PROGRAMS "\\Quillmere", "path line %s",
       ControlText(browser, IDC_SHORTCUT_PATH).c_str());

    DoubleClick(list, "........");
    ok(WaitControlText(browser, IDC_SHORTCUT_PATH, START_MENU "\\Quillmere"), "up to the Start Menu folder");
    ok(FindListItem(list, "........") < 0 && FindListItem(list, "Programs") >= 0,
       "the Start Menu folder has no parent entry");
    DoubleClick(list, "Programs");
    ok(WaitControlText(browser, IDC_SHORTCUT_PATH, PROGRAMS "\\Quillmere"), "back into Programs");
    DoubleClick(list, "Games");
    ok(WaitControlText(browser, IDC_SHORTCUT_PATH, PROGRAMS "\\Games\\Quillmere"), "into Games");
    PressButton(browser, IDCANCEL);
    WaitWindowGone(browser);
    ok(WaitControlText(page, IDC_PATH, PROGRAMS "\\Games\\Quillmere"),
       "Cancel keeps the folder walked to: %s", ControlText(page, IDC_PATH).c_str());
    FinishAndExpectSuccess();
    CheckShortcuts(PROGRAMS "\\Games\\Quillmere");
}

// Down to a list item and Enter: the browser walks there and stays, the focus in its list.
static void EnterListItem(HWND browser, int listId, const char *item, int pathId,
                          const std::string &pathLine)
{
    HWND list = GetDlgItem(browser, listId);
    ok(ArrowToListItem(list, item), "Down reaches \"%s\"", item);
    PressKey(browser, VK_RETURN);
    ok(WaitControlText(browser, pathId, pathLine) && IsWindowVisible(browser) &&
           FocusedControl(browser) == list,
       "Enter on \"%s\": expected the path line \"%s\", got \"%s\"", item, pathLine.c_str(),
       ControlText(browser, pathId).c_str());
}

// Tab to a control of dialog, then a key on it.
static void TabAndPress(HWND dialog, int id, UINT key)
{
    ok(TabTo(dialog, GetDlgItem(dialog, id)), "Tab reaches control %d", id);
    PressKey(dialog, key);
}

#define WRITING "C:\\Program files\\Writing"
#define ACCESSORIES PROGRAMS "\\Accessories"

// Keys alone, each to the control that has the focus, from the licence to the success
// message, both browsers walked with Tab, arrows and Enter.
SCENARIO(keyboard_only)
{
    MakeStartMenu();
    CreateDirectoryA(WRITING, NULL);
    CreateDirectoryA(WRITING "\\Tools", NULL);
    CreateDirectoryA(ACCESSORIES, NULL);
    if (!StartSetup())
        return;
    HWND page = Appeared(WaitDialogWithControl(IDOK, "I Agree"), "the licence page");
    if (!page)
        return;
    PressKey(page, VK_RETURN);
    page = Appeared(WaitDialogWithControl(IDOK, "Next"), "the directory page");
    if (!page)
        return;
    TabAndPress(page, IDC_BROWSE, VK_SPACE);
    HWND browser = Appeared(WaitDialogTitled("Setup - directory"), "the folder browser");
    if (!browser)
        return;
    HWND list = GetDlgItem(browser, IDC_FOLDERS);
    ok(GetNextDlgTabItem(browser, GetDlgItem(browser, IDC_DRIVES), FALSE) == list,
       "the folder list follows the drive list in the tab order");
    ok(TabTo(browser, list), "Tab reaches the folder list");
    EnterListItem(browser, IDC_FOLDERS, "Writing", IDC_FULL_PATH, WRITING "\\Quillmere");
    EnterListItem(browser, IDC_FOLDERS, "Tools", IDC_FULL_PATH, WRITING "\\Tools\\Quillmere");
    EnterListItem(browser, IDC_FOLDERS, "........", IDC_FULL_PATH, WRITING "\\Quillmere");
    // Enter in the name box is OK.
    TabAndPress(browser, IDC_DIR_NAME, VK_RETURN);
    ok(WaitWindowGone(browser) && WaitControlText(page, IDC_PATH, WRITING "\\Quillmere"),
       "Enter in the name closes the browser; box 101: %s", ControlText(page, IDC_PATH).c_str());
    TabAndPress(page, IDOK, VK_RETURN);

    page = WaitDialogWithControl(IDOK, "Finnish");
    ok(page && ControlText(page, IDC_PATH) == PROGRAM_GROUP, "the shortcut page appears");
    if (!page)
        return;
    TabAndPress(page, IDC_BROWSE, VK_RETURN);
    browser =
        Appeared(WaitDialogWithControl(IDC_SHORTCUT_FOLDERS, "Folders"), "the shortcut browser");
    if (!browser)
        return;
    list = GetDlgItem(browser, IDC_SHORTCUT_FOLDERS);
    ok(GetNextDlgTabItem(browser, GetDlgItem(browser, IDCANCEL), FALSE) == list,
       "the folder list follows Cancel in the tab order");
    ok(TabTo(browser, list), "Tab reaches the Start-menu folders");
    EnterListItem(browser, IDC_SHORTCUT_FOLDERS, "........", IDC_SHORTCUT_PATH,
                  START_MENU "\\Quillmere");
    EnterListItem(browser, IDC_SHORTCUT_FOLDERS, "Programs", IDC_SHORTCUT_PATH,
                  PROGRAMS "\\Quillmere");
    EnterListItem(browser, IDC_SHORTCUT_FOLDERS, "Accessories", IDC_SHORTCUT_PATH,
                  ACCESSORIES "\\Quillmere");
    // The list is filled afresh with nothing selected: Enter there is OK.
    ok(SelectedListItem(list) == -1, "nothing is selected after the walk");
    PressKey(browser, VK_RETURN);
    ok(WaitWindowGone(browser) && WaitControlText(page, IDC_PATH, ACCESSORIES "\\Quillmere"),
       "Enter closes the browser; box 101: %s", ControlText(page, IDC_PATH).c_str());
    TabAndPress(page, IDOK, VK_RETURN);

    CheckFolderOpened();
    HWND box = WaitMessageBox(WaitMainWindow());
    ok(box && ControlText(box, 0xFFFF) == "Quillmere was successfully installed",
       "the success message");
    if (box)
        PressKey(box, VK_RETURN);
    ok(WaitSetupExit() == 0, "Enter on the success message ends the setup");
    CheckInstalledFiles(WRITING "\\Quillmere");
    CheckShortcuts(ACCESSORIES "\\Quillmere", WRITING "\\Quillmere");
}
