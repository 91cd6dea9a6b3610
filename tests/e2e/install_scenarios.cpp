// The installation from licence to finish, with the mouse and with keys alone, and the
// roads that leave it early.
#include "driver.h"
#include <algorithm>
#include <vector>

#define PLANTED_FOLDER "C:\\planted" // the links tests/plant-temp-links.sh leaves point here
#define DOWNLOADS "C:\\Downloads"

// Reads the status line as fast as it changes until the copy page goes away.
static std::vector<std::string> WatchCopy(HWND copyPage)
{
    std::vector<std::string> seen;
    HWND status = GetDlgItem(copyPage, IDC_COPY_STATUS);
    DWORD start = GetTickCount();
    while (IsWindow(copyPage) && IsWindowVisible(copyPage) && WaitSetupExit(0) == STILL_ACTIVE &&
           GetTickCount() - start < WAIT_MS) {
        std::string text = WindowText(status);
        if (!text.empty() && (seen.empty() || seen.back() != text))
            seen.push_back(text);
        Sleep(1);
    }
    return seen;
}

static std::string StatusOf(int row)
{
    return std::string("FROM: ") + g_rows[row].temporary + "  TO: " + g_rows[row].destination;
}

// Each row shows for one 50 ms tick, and a loaded machine can keep the watcher away that
// long: every line seen must be a row's, in row order, and most rows must be seen.
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
    ok(strays == 0 && (int)seen.size() * 2 >= PAYLOAD_ROWS,
       "status lines \"%s\" to \"%s\" in row order (%d seen, %d out of order)",
       StatusOf(0).c_str(), StatusOf(PAYLOAD_ROWS - 1).c_str(), (int)seen.size(), strays);
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

// Starts the installer into a directory that exists already and goes on when asked.
static bool StartIntoExistingDirectory()
{
    if (!StartSetup())
        return false;
    AcceptLicence();
    HWND dirPage = NextOnDirPage();
    return ANSWER(dirPage, "Directory allready exsist or disk isn't writeable.\nContinue with "
                           "installation anyway",
                  NULL, IDYES);
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

// Windows 98 keeps its uninstall list below the "Windows" key, the only entry there; a
// second installation over the first rewrites every value and shortcut and replaces every
// file.
SCENARIO(install_twice_win98)
{
    if (!InstallAs("win98", false))
        return;
    KillSetup();

    SetMachineString(WIN_UNINSTALL, "DisplayName", "stale");
    SetMachineString(APP_PATH, "Path", "stale");
    CloseHandle(CreateFileA(PROGRAM_GROUP "\\Readme.lnk", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                            0, NULL));
    CloseHandle(CreateFileA(Installed(0).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    if (!StartIntoExistingDirectory())
        return;
    HWND page = WaitDialogWithControl(IDOK, "Finnish");
    if (page)
        PressButton(page, IDOK);
    CheckFolderOpened();
    ExpectSuccess();
    CheckRegistry(false);
    CheckShortcuts(PROGRAM_GROUP);
    CheckInstalledFiles();
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
    ok(WaitSetupExit() == 0, "exit code 0");
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

// Several clicks on Cancel give one question; No lets the copy finish.
SCENARIO(copy_cancel_declined)
{
    if (!StartSetup())
        return;
    AcceptLicence();
    NextOnDirPage();
    HWND copyPage = CancelDuringCopy(3);
    ok(copyPage && NoMessageBoxFor(1000), "no second question");
    ok(WaitDialogWithControl(IDOK, "Finnish") != NULL, "the copy finishes");
    CheckInstalledFiles();
}

// Yes removes every file already expanded and keeps the directories.
SCENARIO(copy_cancel_confirmed)
{
    if (!StartSetup())
        return;
    AcceptLicence();
    NextOnDirPage();
    HWND copyPage = WaitCopyPage();
    if (!copyPage)
        return;
    // Let a few rows land first: row 4 or any later one, as a busy machine may skip some.
    HWND status = GetDlgItem(copyPage, IDC_COPY_STATUS);
    DWORD start = GetTickCount();
    for (int shown = -1; shown < 4 && GetTickCount() - start < WAIT_MS; Sleep(1)) {
        std::string text = WindowText(status);
        for (int row = 0; row < PAYLOAD_ROWS; ++row)
            shown = text == StatusOf(row) ? row : shown;
    }
    PressButton(copyPage, IDCANCEL);
    ANSWER(copyPage, "Are you sure you want to cancel the setup?\nAll installed files will be removed.",
           "Question", IDYES);
    HWND main = WaitMainWindow();
    ANSWER(main, "Program will exit", "Setup canceled", IDOK);
    ok(WaitSetupExit() == 0, "exit code 0");
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
    ok(WaitSetupExit() == 0, "exit code 0 after the error");
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
    PressButton(page, IDOK);
    CheckFolderOpened();
    ExpectSuccess();
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
