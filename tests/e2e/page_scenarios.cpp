// The licence page, the install-directory page and the folder browser, used as a person
// would: buttons, keys, the mouse in the folder list, the arrow keys in the drive list.
#include "driver.h"
#include <commctrl.h>
#include <algorithm>
#include <stdlib.h>

#define CANCEL_QUESTION "Are you sure you want to cancel the setup?"
#define EXISTS_QUESTION                                                                        \
    "Directory allready exsist or disk isn't writeable.\nContinue with installation anyway"
#define NOT_ENOUGH_SPACE                                                                       \
    "You do not have enough Free disk space on this drive for installation. Change the "      \
    "drive or remove some other program-s to free more disk space."
#define SYSTEM_CAPTION "Error" // what the system shows for a message box without a caption
#define BROWSER_TITLE "Setup - directory"
#define PARENT_ENTRY "........"
#define REQUIRED_KB 5473
#define DEFAULT_DIR "C:\\Program files\\Quillmere"
#define PROGRAM_FILES "C:\\Program Files" // as the prefix spells it on disk

static HWND WaitLicencePage(DWORD ms = WAIT_MS)
{
    return WaitDialogWithControl(IDOK, "I Agree", ms);
}

static HWND WaitDirPage(DWORD ms = WAIT_MS)
{
    return WaitDialogWithControl(IDOK, "Next", ms);
}

static HWND StartAtLicence(const char *currentDir = "C:\\")
{
    return StartSetup(currentDir) ? Appeared(WaitLicencePage(), "the licence page") : NULL;
}

static HWND StartAtDirPage(const char *currentDir = "C:\\")
{
    HWND licence = StartAtLicence(currentDir);
    if (!licence)
        return NULL;
    PressButton(licence, IDOK);
    return Appeared(WaitDirPage(), "the directory page after the licence");
}

static HWND OpenBrowser(HWND page)
{
    PressButton(page, IDC_BROWSE);
    HWND browser = Appeared(WaitDialogTitled(BROWSER_TITLE), "\"" BROWSER_TITLE "\"");
    ok(!browser || GetWindow(browser, GW_OWNER) == page, "the page owns the browser");
    return browser;
}

static bool IsDirectory(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static std::string Joined(const std::vector<std::string> &texts)
{
    std::string joined;
    for (const std::string &text : texts)
        joined += (joined.empty() ? "" : "|") + text;
    return "[" + joined + "]";
}

// What a person does to a page: a button, or a key where the button is not named.
struct Press {
    const char *name;
    int button;
    UINT key;
};

// A press and the answer it gets to the question it raises (0 when none is asked).
struct AnsweredPress {
    Press press;
    int answer;
};

static void Do(HWND dialog, const Press &press)
{
    if (press.button)
        PressButton(dialog, press.button);
    else
        PressKey(dialog, press.key);
}

// The closing message of a cancelled setup, owned by the main window, and a clean end.
static void ExpectCancelledEnd(HWND main, const char *how)
{
    ok(ANSWER(main, "Program will exit", "Setup canceled", IDOK), "%s: the setup is cancelled",
       how);
    DWORD code = WaitSetupExit();
    ok(code == ERROR_INSTALL_USEREXIT, "%s: expected exit code 1602, got %lu", how, code);
}

// Cancelling a page asks first; No leaves the page working, Yes ends the setup.
static void CancelPage(HWND main, HWND page, const Press &press, int answer)
{
    Do(page, press);
    if (!ANSWER(page, CANCEL_QUESTION, "Question", answer))
        return;
    if (answer == IDYES) {
        ExpectCancelledEnd(main, press.name);
        return;
    }
    ok(NoMessageBoxFor(400) && IsWindowVisible(page) && WaitSetupExit(0) == STILL_ACTIVE,
       "%s, No: the page stays", press.name);
}

// ---------------------------------------------------------------- licence page

static std::string WithCrlf(const std::string &text)
{
    std::string converted;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            converted += '\r';
        converted += text[i];
    }
    return converted;
}

static void CheckLicenceBox(HWND page)
{
    std::string expected;
    ok(ReadWholeFile(g_extraArgument.c_str(), &expected) && !expected.empty(),
       "read the licence text from %s", g_extraArgument.c_str());
    expected = WithCrlf(expected);
    HWND box = GetDlgItem(page, IDC_LICENCE_TEXT);
    std::string shown = WindowText(box);
    size_t first = std::mismatch(shown.begin(), shown.end(), expected.begin(), expected.end())
                       .first -
                   shown.begin();
    ok(shown == expected, "the box shows the whole licence: %u of %u characters, first "
                          "difference at %u",
       (unsigned)shown.size(), (unsigned)expected.size(), (unsigned)first);

    // Tab twice from "I Agree" reaches the box; keys scroll it and move the caret but
    // change nothing.
    PressKey(page, VK_TAB);
    PressKey(page, VK_TAB);
    Settle(page);
    ok(FocusedControl(page) == box, "Tab reaches the licence box");
    PressKey(page, VK_NEXT);
    PressKey(page, VK_END);
    PressKey(page, 'X');
    PressKey(page, VK_BACK);
    PressKey(page, VK_DELETE);
    Settle(page);
    DWORD_PTR selection = 0;
    SendMessageTimeoutA(box, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, WAIT_MS, &selection);
    ok(HIWORD(selection) > 0 && LOWORD(selection) == HIWORD(selection),
       "the keys moved the caret (selection %u-%u)", LOWORD(selection), HIWORD(selection));
    DWORD_PTR firstLine = 0;
    SendMessageTimeoutA(box, EM_GETFIRSTVISIBLELINE, 0, 0, SMTO_ABORTIFHUNG, WAIT_MS,
                        &firstLine);
    LONG style = GetWindowLongA(box, GWL_STYLE);
    ok(firstLine > 0 && (style & WS_VSCROLL) && !(style & (WS_HSCROLL | ES_AUTOHSCROLL)),
       "Page Down scrolls to line %u; lines wrap, no sideways scrolling", (unsigned)firstLine);
    ok((style & ES_READONLY) && WindowText(box) == shown,
       "typing does not change the licence box");
}

// Ways off the page: a No to the cancel question keeps it, and "I Agree" then goes on.
static const AnsweredPress g_licenceCases[] = {
    {{"I Agree", IDOK, 0}, 0},
    {{"Enter", 0, VK_RETURN}, 0},
    {{"Cancel", IDCANCEL, 0}, IDNO},
    {{"Escape", 0, VK_ESCAPE}, IDNO},
    {{"Cancel", IDCANCEL, 0}, IDYES},
    {{"Escape", 0, VK_ESCAPE}, IDYES},
};

SCENARIO(licence_page)
{
    for (unsigned i = 0; i < sizeof g_licenceCases / sizeof g_licenceCases[0]; ++i) {
        const AnsweredPress *c = &g_licenceCases[i];
        HWND page = StartAtLicence();
        HWND main = WaitMainWindow();
        if (!page || !main)
            return;
        ok(FocusedControl(page) == GetDlgItem(page, IDOK), "the focus starts on \"I Agree\"");
        if (i == 0)
            CheckLicenceBox(page);
        Press agree = {"I Agree", IDOK, 0};
        if (c->answer) {
            CancelPage(main, page, c->press, c->answer);
            if (c->answer == IDNO)
                ok(!WaitDirPage(0), "%s, No: no step follows", c->press.name);
        }
        if (c->answer != IDYES) {
            Do(page, c->answer ? agree : c->press);
            HWND next = WaitDirPage();
            ok(next && WaitWindowGone(page), "%s: the directory page replaces the licence",
               c->press.name);
        }
        KillSetup();
    }
}

// ---------------------------------------------------------------- directory page

// After "Next" the page is gone and nothing more shows: copying comes next.
static void ExpectLeftForCopy(HWND page, const char *how)
{
    ok(WaitWindowGone(page), "%s: the directory page closes", how);
    ok(NoMessageBoxFor(400) && !WaitDirPage(0) && WaitSetupExit(0) == STILL_ACTIVE,
       "%s: no message and no page follow", how);
}

// "Next" into a directory that exists asks whether to go on.
static const AnsweredPress g_existingCases[] = {
    {{"Enter", 0, VK_RETURN}, IDYES},
    {{"Next", IDOK, 0}, IDNO},
};

SCENARIO(dir_page)
{
    // A first installation: the proposed directory is made.
    HWND page = StartAtDirPage();
    HWND main = WaitMainWindow();
    if (!page || !main)
        return;
    std::string shown = ControlText(page, IDC_PATH);
    ok(shown == DEFAULT_DIR, "box 101: expected \"%s\", got \"%s\"", DEFAULT_DIR, shown.c_str());
    ok(FocusedControl(page) == GetDlgItem(page, IDOK), "the focus starts on \"Next\"");
    CancelPage(main, page, {"Cancel", IDCANCEL, 0}, IDNO);
    ok(!IsDirectory(DEFAULT_DIR), "nothing is made before \"Next\"");
    // What is typed into the box is only shown, never used.
    SetEditText(GetDlgItem(page, IDC_PATH), "C:\\typed");
    PressButton(page, IDOK);
    ExpectLeftForCopy(page, "Next");
    ok(IsDirectory(DEFAULT_DIR) && !IsDirectory("C:\\typed"), "\"Next\" makes %s",
       DEFAULT_DIR);
    KillSetup();

    // Into the existing directory: Yes goes on, No cancels.
    for (unsigned i = 0; i < sizeof g_existingCases / sizeof g_existingCases[0]; ++i) {
        const AnsweredPress *c = &g_existingCases[i];
        page = StartAtDirPage();
        main = WaitMainWindow();
        if (!page || !main)
            return;
        Do(page, c->press);
        ANSWER(page, EXISTS_QUESTION, SYSTEM_CAPTION, c->answer);
        if (c->answer == IDYES)
            ExpectLeftForCopy(page, c->press.name);
        else
            ExpectCancelledEnd(main, c->press.name);
        KillSetup();
    }

    // Escape cancels this page as well.
    page = StartAtDirPage();
    main = WaitMainWindow();
    if (!page || !main)
        return;
    CancelPage(main, page, {"Escape", 0, VK_ESCAPE}, IDYES);
    KillSetup();

    // Without "C:\Program Files" the product goes to the root of drive C:.
    ok(MoveFileA(PROGRAM_FILES, PROGRAM_FILES ".away"), "move %s away", PROGRAM_FILES);
    page = StartAtDirPage();
    if (page) {
        shown = ControlText(page, IDC_PATH);
        ok(shown == "C:\\Quillmere", "without the folder: expected C:\\Quillmere, got \"%s\"",
           shown.c_str());
        PressButton(page, IDOK);
        ExpectLeftForCopy(page, "Next at the root");
        ok(IsDirectory("C:\\Quillmere"), "\"Next\" makes C:\\Quillmere");
    }
    KillSetup();
    ok(MoveFileA(PROGRAM_FILES ".away", PROGRAM_FILES), "put %s back", PROGRAM_FILES);
}

// ---------------------------------------------------------------- folder browser

// Folders of dir as a person expects the browser to list them: no files, none whose name
// begins with a dot, hidden and system folders included.
static std::vector<std::string> FoldersOf(const std::string &dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + (dir.back() == '\\' ? "*" : "\\*")).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] != '.')
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

static bool SortedAsShown(const std::vector<std::string> &items)
{
    for (size_t i = 1; i < items.size(); ++i)
        if (lstrcmpiA(items[i - 1].c_str(), items[i].c_str()) > 0)
            return false;
    return true;
}

// The list shows the parent entry first when there is one, then dir's folders and the
// folder to be created, sorted.
static void ExpectFolderList(HWND browser, const std::string &dir, bool parent,
                             const char *name)
{
    std::vector<std::string> shown = ListItems(GetDlgItem(browser, IDC_FOLDERS));
    std::vector<std::string> expected = FoldersOf(dir);
    expected.push_back(name);
    std::vector<std::string> rest = shown;
    if (parent) {
        ok(!shown.empty() && shown[0] == PARENT_ENTRY, "%s: the parent entry comes first in %s",
           dir.c_str(), Joined(shown).c_str());
        if (!rest.empty())
            rest.erase(rest.begin());
    }
    ok(std::find(rest.begin(), rest.end(), PARENT_ENTRY) == rest.end(),
       "%s: no other parent entry", dir.c_str());
    ok(SortedAsShown(rest), "%s: sorted: %s", dir.c_str(), Joined(shown).c_str());
    std::sort(rest.begin(), rest.end());
    std::sort(expected.begin(), expected.end());
    ok(rest == expected, "%s: expected the items %s, got %s", dir.c_str(),
       Joined(expected).c_str(), Joined(rest).c_str());
}

// Double-clicks the list item with this text; the path line then shows where it led.
static void Walk(HWND browser, const char *item, const std::string &pathLine)
{
    HWND list = GetDlgItem(browser, IDC_FOLDERS);
    ok(DoubleClickListItem(list, FindListItem(list, item)), "\"%s\" is there to double-click",
       item);
    ok(WaitControlText(browser, IDC_FULL_PATH, pathLine),
       "after \"%s\": expected the path line \"%s\", got \"%s\"", item, pathLine.c_str(),
       ControlText(browser, IDC_FULL_PATH).c_str());
}

// The free-space line shows a figure in the expected form; returns the figure.
static unsigned long FreeSpaceShown(HWND browser)
{
    std::string line = ControlText(browser, IDC_FREE_SPACE);
    unsigned long figure = 0;
    char again[100] = "";
    if (sscanf(line.c_str(), " Available: %lu", &figure) == 1)
        wsprintfA(again, " Available: %lu KB, Required: %d KB", figure, REQUIRED_KB);
    ok(line == again, "the free-space line \"%s\"", line.c_str());
    return figure;
}

// Free space of a drive in thousands of bytes, as the driver sees it.
static ULONGLONG FreeThousands(const char *root)
{
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExA(root, &available, &total, &free))
        return 0;
    return available.QuadPart / 1000;
}

// On a drive other tests write to at the same time the figure can only be close.
static void ExpectFreeSpaceAbout(HWND browser, const char *root)
{
    ULONGLONG free = FreeThousands(root);
    unsigned long shown = FreeSpaceShown(browser);
    ok(shown > free * 9 / 10 && shown < free * 11 / 10,
       "%s shows %lu thousand bytes free, about %llu expected", root, shown, free);
}

struct MadeFolder {
    const char *path;
    DWORD attributes; // added after making it
};

// Folders the list must show or leave out, and a file it must leave out.
static const MadeFolder g_madeFolders[] = {
    {PROGRAM_FILES "\\Alpha", 0},
    {PROGRAM_FILES "\\Alpha\\Inner", 0},
    {PROGRAM_FILES "\\hidden folder", FILE_ATTRIBUTE_HIDDEN},
    {PROGRAM_FILES "\\System folder", FILE_ATTRIBUTE_SYSTEM},
    {PROGRAM_FILES "\\.dotted", 0},
};

static void MakeFolders()
{
    for (const MadeFolder &made : g_madeFolders) {
        ok(CreateDirectoryA(made.path, NULL), "make %s", made.path);
        if (made.attributes)
            ok(SetFileAttributesA(made.path, FILE_ATTRIBUTE_DIRECTORY | made.attributes) &&
                   (GetFileAttributesA(made.path) & made.attributes),
               "%s keeps its attribute %lx", made.path, made.attributes);
    }
    HANDLE file = CreateFileA(PROGRAM_FILES "\\afile.txt", GENERIC_WRITE, 0, NULL, CREATE_NEW,
                              0, NULL);
    ok(file != INVALID_HANDLE_VALUE, "make a file among the folders");
    CloseHandle(file);
}

SCENARIO(folder_browser)
{
    MakeFolders();
    HWND page = StartAtDirPage();
    HWND browser = page ? OpenBrowser(page) : NULL;
    if (!browser)
        return;
    HWND drives = GetDlgItem(browser, IDC_DRIVES);
    HWND name = GetDlgItem(browser, IDC_DIR_NAME);

    // As it opens: drive C: of C: and Z:, its free space, the proposed folder.
    std::vector<std::string> roots = ComboItems(drives);
    ok(Joined(roots) == "[C:\\|Z:\\]", "the drive list: %s", Joined(roots).c_str());
    ok(ComboSelection(drives) == "C:\\", "drive C: is chosen, got \"%s\"",
       ComboSelection(drives).c_str());
    ExpectFreeSpaceAbout(browser, "C:\\");
    ok(ControlText(browser, IDC_FULL_PATH) == DEFAULT_DIR && WindowText(name) == "Quillmere",
       "the path line \"%s\" and the name \"%s\"", ControlText(browser, IDC_FULL_PATH).c_str(),
       WindowText(name).c_str());
    ExpectFolderList(browser, PROGRAM_FILES, true, "Quillmere");
    std::vector<std::string> shown = ListItems(GetDlgItem(browser, IDC_FOLDERS));
    ok(std::count(shown.begin(), shown.end(), "hidden folder") == 1 &&
           std::count(shown.begin(), shown.end(), "System folder") == 1 &&
           std::count(shown.begin(), shown.end(), ".dotted") == 0 &&
           std::count(shown.begin(), shown.end(), "afile.txt") == 0,
       "hidden and system folders shown, dotted folders and files not: %s",
       Joined(shown).c_str());

    // Down into a folder and back up.
    Walk(browser, "Alpha", "C:\\Program files\\Alpha\\Quillmere");
    ExpectFolderList(browser, PROGRAM_FILES "\\Alpha", true, "Quillmere");
    Walk(browser, PARENT_ENTRY, DEFAULT_DIR);

    // The name: at most 99 characters; a longer one brings back the last accepted.
    std::string longest(99, 'n'), tooLong(100, 'm');
    SetEditText(name, longest.c_str());
    SetEditText(name, tooLong.c_str());
    ok(WindowText(name) == longest, "a 100-character name is refused, the 99 come back");
    SetEditText(name, "Custom");
    HWND list = GetDlgItem(browser, IDC_FOLDERS);
    ok(ControlText(browser, IDC_FULL_PATH) == DEFAULT_DIR && FindListItem(list, "Custom") < 0,
       "a typed name waits for the next walk");
    // The name reaches the list and the path line at the next walk: up to the root.
    Walk(browser, PARENT_ENTRY, "C:\\Custom");
    ExpectFolderList(browser, "C:\\", false, "Custom");
    Walk(browser, "Program Files", PROGRAM_FILES "\\Custom");
    Walk(browser, "Custom", PROGRAM_FILES "\\Custom\\Custom");
    shown = ListItems(list);
    ok(Joined(shown) == "[........|Custom]", "inside the folder to be made: %s",
       Joined(shown).c_str());

    // Another drive and back: the list and the path line follow.
    ok(StepCombo(drives, VK_DOWN) && ComboSelection(drives) == "Z:\\", "down to drive Z:");
    ok(WaitControlText(browser, IDC_FULL_PATH, "Z:\\Custom"), "the path line on Z: is \"%s\"",
       ControlText(browser, IDC_FULL_PATH).c_str());
    ExpectFolderList(browser, "Z:\\", false, "Custom");
    ExpectFreeSpaceAbout(browser, "Z:\\");
    ok(StepCombo(drives, VK_UP) && ComboSelection(drives) == "C:\\", "back up to drive C:");
    ok(WaitControlText(browser, IDC_FULL_PATH, "C:\\Custom"), "the path line on C: is \"%s\"",
       ControlText(browser, IDC_FULL_PATH).c_str());
    ExpectFolderList(browser, "C:\\", false, "Custom");
    Walk(browser, "Program Files", PROGRAM_FILES "\\Custom");

    // No name: a warning, and the browser stays with the focus on the name.
    SetEditText(name, "");
    PressButton(browser, IDOK);
    ANSWER(browser, "You forget to select a directory", "Warning", IDOK);
    Settle(browser);
    ok(IsWindowVisible(browser) && FocusedControl(browser) == name,
       "the browser stays, the focus on the name");

    // Cancel keeps the folder walked to, even without a name; "Next" then warns.
    PressButton(browser, IDCANCEL);
    ok(WaitWindowGone(browser), "Cancel closes the browser");
    ok(WaitControlText(page, IDC_PATH, PROGRAM_FILES "\\"), "box 101: got \"%s\"",
       ControlText(page, IDC_PATH).c_str());
    PressButton(page, IDOK);
    ANSWER(page, "You forget to select a directory", "Warning", IDOK);
    Settle(page);
    ok(IsWindowVisible(page) && FocusedControl(page) == GetDlgItem(page, IDC_PATH),
       "the page stays, the focus on box 101");

    // A name typed, then Close from the system menu, which cancels: the page takes both.
    browser = OpenBrowser(page);
    if (!browser)
        return;
    SetEditText(GetDlgItem(browser, IDC_DIR_NAME), "Final");
    PostMessageA(browser, WM_SYSCOMMAND, SC_CLOSE, 0);
    ok(WaitWindowGone(browser) && WaitControlText(page, IDC_PATH, PROGRAM_FILES "\\Final"),
       "Close: box 101 shows \"%s\"", ControlText(page, IDC_PATH).c_str());

    // Opened again it starts there with the proposed name; OK takes it.
    browser = OpenBrowser(page);
    if (!browser)
        return;
    ok(WindowText(GetDlgItem(browser, IDC_DIR_NAME)) == "Quillmere",
       "the name is proposed afresh");
    ExpectFolderList(browser, PROGRAM_FILES, true, "Final");
    // A click selects a folder and leaves the focus in the list; OK still closes.
    list = GetDlgItem(browser, IDC_FOLDERS);
    int alpha = FindListItem(list, "Alpha");
    ok(ClickListItem(list, alpha), "\"Alpha\" is there to click");
    Settle(browser);
    ok(SelectedListItem(list) == alpha && FocusedControl(browser) == list,
       "the click selects \"Alpha\" and takes the focus to the list");
    PressButton(browser, IDOK);
    ok(WaitWindowGone(browser), "OK closes the browser");
    ok(WaitControlText(page, IDC_PATH, PROGRAM_FILES "\\Quillmere"), "box 101: got \"%s\"",
       ControlText(page, IDC_PATH).c_str());
    PressButton(page, IDOK);
    ExpectLeftForCopy(page, "Next");
    ok(IsDirectory(PROGRAM_FILES "\\Quillmere"), "\"Next\" makes the folder browsed to");
}

// ---------------------------------------------------------------- free space

// D: is a little short of what the installation needs, E: a little above it.
SCENARIO(free_space_refused)
{
    ULONGLONG shortFree = FreeThousands("D:\\"), enoughFree = FreeThousands("E:\\");
    ok(shortFree > 0 && shortFree < REQUIRED_KB && enoughFree >= REQUIRED_KB,
       "the drives D: (%llu thousand bytes free) and E: (%llu) are there", shortFree,
       enoughFree);
    // Started from E:, the browser still opens on C:.
    HWND page = StartAtDirPage("E:\\");
    HWND browser = page ? OpenBrowser(page) : NULL;
    if (!browser)
        return;
    HWND drives = GetDlgItem(browser, IDC_DRIVES);
    ok(Joined(ComboItems(drives)) == "[C:\\|D:\\|E:\\|Z:\\]", "the drive list: %s",
       Joined(ComboItems(drives)).c_str());
    ok(ComboSelection(drives) == "C:\\", "drive C: first, got \"%s\"",
       ComboSelection(drives).c_str());

    // In the browser: OK refuses whatever the answer, and the browser stays.
    ok(StepCombo(drives, VK_DOWN) && ComboSelection(drives) == "D:\\", "down to drive D:");
    ok(WaitControlText(browser, IDC_FULL_PATH, "D:\\Quillmere"), "the path line on D: is \"%s\"",
       ControlText(browser, IDC_FULL_PATH).c_str());
    unsigned long shown = FreeSpaceShown(browser);
    ok(shown == shortFree, "D: shows %lu thousand bytes free, expected %llu", shown, shortFree);
    static const int answers[] = {IDYES, IDNO};
    for (int answer : answers) {
        PressButton(browser, IDOK);
        HWND box = WaitMessageBox(browser);
        ok(box && GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && !GetDlgItem(box, IDOK),
           "the refusal has the buttons Yes and No");
        ANSWER(browser, NOT_ENOUGH_SPACE, SYSTEM_CAPTION, answer);
        Settle(browser);
        ok(IsWindowVisible(browser), "the browser stays after %s",
           answer == IDYES ? "Yes" : "No");
    }
    PressKey(browser, VK_ESCAPE);
    ok(WaitWindowGone(browser) && WaitControlText(page, IDC_PATH, "D:\\Quillmere"),
       "Escape closes the browser, the page shows \"%s\"", ControlText(page, IDC_PATH).c_str());

    // On the page: "Next" refuses the same way, and the page stays.
    for (int answer : answers) {
        PressButton(page, IDOK);
        ANSWER(page, NOT_ENOUGH_SPACE, SYSTEM_CAPTION, answer);
        Settle(page);
        ok(IsWindowVisible(page) && NoMessageBoxFor(200), "the page stays after %s",
           answer == IDYES ? "Yes" : "No");
    }
    ok(!IsDirectory("D:\\Quillmere"), "nothing is made on D:");

    // A drive with enough room is taken by OK and by "Next".
    browser = OpenBrowser(page);
    if (!browser)
        return;
    drives = GetDlgItem(browser, IDC_DRIVES);
    ok(ComboSelection(drives) == "D:\\", "the browser opens on the drive chosen last");
    ok(StepCombo(drives, VK_DOWN) && ComboSelection(drives) == "E:\\", "down to drive E:");
    ok(WaitControlText(browser, IDC_FULL_PATH, "E:\\Quillmere"), "the path line on E: is \"%s\"",
       ControlText(browser, IDC_FULL_PATH).c_str());
    shown = FreeSpaceShown(browser);
    ok(shown == enoughFree, "E: shows %lu thousand bytes free, expected %llu", shown,
       enoughFree);
    PressButton(browser, IDOK);
    ok(WaitWindowGone(browser) && WaitControlText(page, IDC_PATH, "E:\\Quillmere"),
       "OK on E: closes the browser, the page shows \"%s\"", ControlText(page, IDC_PATH).c_str());
    PressButton(page, IDOK);
    ExpectLeftForCopy(page, "Next on E:");
    ok(IsDirectory("E:\\Quillmere"), "\"Next\" makes E:\\Quillmere");
}

// ---------------------------------------------------------------- page look

#define DARK_BLUE 0x000088 // screen pixels are 0x00RRGGBB
#define BRIGHT_GREEN 0x00FF00

static DWORD ScreenColour(COLORREF colour)
{
    return GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
}

struct CoveredAreas {
    std::vector<RECT> rects; // screen coordinates
};

static BOOL CALLBACK AddChildArea(HWND child, LPARAM lParam)
{
    RECT rect;
    if (IsWindowVisible(child) && GetWindowRect(child, &rect))
        ((CoveredAreas *)lParam)->rects.push_back(rect);
    return TRUE;
}

// The largest difference between two 0x00RRGGBB colours in any of their channels.
static int ColourDistance(DWORD a, DWORD b)
{
    int largest = 0;
    for (int shift = 0; shift < 24; shift += 8)
        largest = std::max(largest, abs((int)(a >> shift & 0xFF) - (int)(b >> shift & 0xFF)));
    return largest;
}

// A page no larger than the picture shows it at its own size from the top-left corner; a
// larger one, stretched over the whole page: halftone, or on Windows 9x, which has no
// halftone, in the colour-keeping mode.
static int g_stretchMode = HALFTONE;

// Compares the page with the picture wherever no control, and no window over it (box, may
// be NULL), covers it; returns the pixels that differ, how many were compared in
// *compared, and how many of the page's four corners in *corners.
static int PictureMismatches(HWND page, HWND box, const Screenshot *shot,
                             const Screenshot *picture, int *compared, int *corners)
{
    CoveredAreas covered;
    EnumChildWindows(page, AddChildArea, (LPARAM)&covered);
    if (box)
        AddChildArea(box, (LPARAM)&covered);
    POINT origin = {0, 0};
    ClientToScreen(page, &origin);
    RECT client;
    GetClientRect(page, &client);
    bool stretched = client.right > picture->width || client.bottom > picture->height;
    Screenshot expected = stretched ? StretchedPicture(picture, client.right, client.bottom,
                                                       g_stretchMode)
                                    : *picture;
    // A stretch may round a level differently in a 32-bit program than in a 64-bit one.
    int tolerance = stretched ? 1 : 0;
    int wrong = 0;
    *compared = *corners = 0;
    for (int y = 0; y < client.bottom && y < expected.height; ++y) {
        for (int x = 0; x < client.right && x < expected.width; ++x) {
            POINT at = {origin.x + x, origin.y + y};
            bool hidden = false;
            for (const RECT &rect : covered.rects)
                hidden = hidden || PtInRect(&rect, at);
            if (hidden)
                continue;
            ++*compared;
            *corners += (x == 0 || x == client.right - 1) && (y == 0 || y == client.bottom - 1);
            wrong += ColourDistance(ScreenPixel(shot, at.x, at.y),
                                    expected.pixels[y * expected.width + x]) > tolerance;
        }
    }
    if (stretched)
        FreeScreenshot(&expected);
    return wrong;
}

struct Colours {
    int total;
    int darkBlue;
    int green;
    int other; // most frequent colour
    DWORD otherColour;
};

// Counts the colours inside a control, its border left out.
static Colours ColoursIn(HWND control, const Screenshot *shot)
{
    RECT client;
    GetClientRect(control, &client);
    POINT origin = {0, 0};
    ClientToScreen(control, &origin);
    Colours colours = {0, 0, 0, 0, 0};
    std::vector<DWORD> seen;
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) {
            DWORD pixel = ScreenPixel(shot, origin.x + x, origin.y + y);
            ++colours.total;
            colours.darkBlue += pixel == DARK_BLUE;
            colours.green += pixel == BRIGHT_GREEN;
            seen.push_back(pixel);
        }
    }
    std::sort(seen.begin(), seen.end());
    for (size_t i = 0; i < seen.size();) {
        size_t j = i;
        while (j < seen.size() && seen[j] == seen[i])
            ++j;
        if ((int)(j - i) > colours.other) {
            colours.other = (int)(j - i);
            colours.otherColour = seen[i];
        }
        i = j;
    }
    return colours;
}

static void ExpectPicture(HWND page, const Screenshot *shot, const Screenshot *picture,
                          const char *which, HWND box = NULL)
{
    RECT client;
    GetClientRect(page, &client);
    int compared = 0, corners = 0;
    int wrong = PictureMismatches(page, box, shot, picture, &compared, &corners);
    ok(corners == 4 && compared > client.right * client.bottom / 4 && wrong == 0,
       "%s: the %dx%d picture covers the %ldx%ld page: %d of %d pixels outside the controls "
       "differ, %d of 4 corners compared",
       which, picture->width, picture->height, client.right, client.bottom, wrong, compared,
       corners);
}

// Green on dark blue: the background most of the control, some text in green.
static void ExpectPageColours(HWND control, const Screenshot *shot, const char *which)
{
    Colours colours = ColoursIn(control, shot);
    ok(colours.otherColour == DARK_BLUE && colours.green > 0,
       "%s: green on dark blue; %d pixels, most %06lx, %d dark blue, %d green", which,
       colours.total, colours.otherColour, colours.darkBlue, colours.green);
}

// The page picture as the program carries it, then the licence page; NULL, and no
// picture, when either is missing.
static HWND StartWithPicture(Screenshot *picture)
{
    ok(LoadProgramBitmap("IDB_TARVEN", picture), "the page picture from the program");
    HWND licence = StartAtLicence();
    if (licence && picture->pixels)
        return licence;
    FreeScreenshot(picture);
    return NULL;
}

SCENARIO(page_look)
{
    Screenshot picture = {0, 0, NULL};
    HWND licence = StartWithPicture(&picture);
    if (!licence)
        return;
    // The system turns the run-length encoded picture into the one that was drawn.
    Screenshot drawn = {0, 0, NULL};
    int differ = -1;
    if (LoadBitmapFile(g_extraArgument.c_str(), &drawn) && drawn.width == picture.width &&
        drawn.height == picture.height) {
        differ = 0;
        for (int i = 0; i < drawn.width * drawn.height; ++i)
            differ += drawn.pixels[i] != picture.pixels[i];
    }
    ok(differ == 0, "the picture setup.exe carries is %s as drawn: %d pixels differ",
       g_extraArgument.c_str(), differ);
    FreeScreenshot(&drawn);
    Screenshot shot = CaptureSettled(licence);
    ExpectPicture(licence, &shot, &picture, "licence page");
    // The licence box keeps the system's colours although the page holds the brush.
    Colours box = ColoursIn(GetDlgItem(licence, IDC_LICENCE_TEXT), &shot);
    DWORD window = ScreenColour(GetSysColor(COLOR_WINDOW));
    DWORD face = ScreenColour(GetSysColor(COLOR_BTNFACE));
    ok((box.otherColour == window || box.otherColour == face) && box.darkBlue == 0 &&
           box.green == 0,
       "licence box: system colours; most %06lx, %d dark blue, %d green", box.otherColour,
       box.darkBlue, box.green);
    FreeScreenshot(&shot);

    PressButton(licence, IDOK);
    HWND page = WaitDirPage();
    if (page) {
        shot = CaptureSettled(page);
        ExpectPicture(page, &shot, &picture, "directory page");
        ExpectPageColours(GetDlgItem(page, IDC_PATH), &shot, "box 101");
        ExpectPageColours(FindWindowExA(page, NULL, "Static", "Install in directory"), &shot,
                          "its label");
        Colours next = ColoursIn(GetDlgItem(page, IDOK), &shot);
        ok(next.darkBlue == 0, "buttons are not coloured: %d dark blue pixels in \"Next\"",
           next.darkBlue);
        FreeScreenshot(&shot);

        // The browser covers the middle of the page; what it uncovers is painted again.
        // Wine keeps the page's pixels when the browser goes, so the driver asks for the
        // repaint Windows would make.
        HWND browser = OpenBrowser(page);
        if (browser) {
            RECT covered;
            GetWindowRect(browser, &covered);
            MapWindowPoints(NULL, page, (POINT *)&covered, 2);
            PressKey(browser, VK_ESCAPE);
            ok(WaitWindowGone(browser), "Escape closes the browser");
            InvalidateRect(page, &covered, TRUE);
            shot = CaptureSettled(page);
            ExpectPicture(page, &shot, &picture, "directory page uncovered");
            ExpectPageColours(GetDlgItem(page, IDC_PATH), &shot, "box 101 uncovered");
            FreeScreenshot(&shot);
        }
    }
    FreeScreenshot(&picture);
}

#define BAR_BLUE 0x0000FF

// The progress bar full: the blue fill keeps the rows it has in a bar 20 pixels tall (2 to
// 18), in proportion, and runs from the bar's first column to its last; none leaks out.
static void ExpectFullBar(HWND copyPage, const Screenshot *shot)
{
    HWND bar = GetDlgItem(copyPage, IDC_COPY_PROGRESS);
    RECT client;
    GetClientRect(bar, &client);
    POINT origin = {0, 0};
    ClientToScreen(bar, &origin);
    int top = MulDiv(2, client.bottom, 20), bottom = MulDiv(18, client.bottom, 20);
    int wrongRows = 0, notBlue = 0, leaks = 0;
    for (int y = -1; y <= client.bottom; ++y) {
        bool inFill = y >= top && y < bottom;
        for (int x : {0, (int)client.right - 1})
            wrongRows += (ScreenPixel(shot, origin.x + x, origin.y + y) == BAR_BLUE) != inFill;
        // The number in the middle half is left out: its font may be smoothed.
        for (int x = 0; inFill && x < client.right; ++x) {
            if (x < client.right / 4 || x >= client.right * 3 / 4)
                notBlue += ScreenPixel(shot, origin.x + x, origin.y + y) != BAR_BLUE;
        }
        leaks += ScreenPixel(shot, origin.x - 1, origin.y + y) == BAR_BLUE;
        leaks += ScreenPixel(shot, origin.x + client.right, origin.y + y) == BAR_BLUE;
    }
    ok(wrongRows == 0 && notBlue == 0 && leaks == 0,
       "the %ldx%ld bar full in rows %d to %d: %d rows wrong at its ends, %d pixels not blue, "
       "%d blue pixels outside",
       client.right, client.bottom, top, bottom, wrongRows, notBlue, leaks);
    DWORD_PTR value = 0;
    SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, WAIT_MS, &value);
    ok(value == 100, "a screen reader reads the full bar as %u %%, expected 100", (unsigned)value);
}

static void ExpectPageShowsPicture(HWND page, const Screenshot *picture, const char *which)
{
    Screenshot shot = CaptureSettled(page);
    ExpectPicture(page, &shot, picture, which);
    FreeScreenshot(&shot);
}

// On a display of more dots per inch every page grows with its font: the picture still
// covers each of the four, and the progress bar keeps its look. Windows 9x stretches the
// picture without halftone.
static void PageLookAtDpi(DWORD dpi, const char *version)
{
    SetDisplayDpi(dpi);
    if (version) {
        ReportWindowsVersion(version);
        g_stretchMode = COLORONCOLOR;
    }
    Screenshot picture = {0, 0, NULL};
    HWND page = StartWithPicture(&picture);
    if (!page)
        return;
    ExpectPageShowsPicture(page, &picture, "licence page");
    PressButton(page, IDOK);
    page = Appeared(WaitDirPage(), "the directory page");
    if (page) {
        ExpectPageShowsPicture(page, &picture, "directory page");
        PressButton(page, IDOK);
        page = Appeared(WaitDialogWithControl(IDOK, "Finnish"), "the shortcut page");
        if (page)
            ExpectPageShowsPicture(page, &picture, "shortcut page");
    }
    KillSetup();

    // A file where the last row's folder should be stops the copy there, the bar full,
    // under the failure's message.
    DeleteFileA(INSTALL_DIR "\\lists\\GENERAL.DAT");
    RemoveDirectoryA(INSTALL_DIR "\\lists");
    CloseHandle(CreateFileA(INSTALL_DIR "\\lists", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    if (StartSetup()) {
        AcceptLicence();
        ANSWER(NextOnDirPage(), EXISTS_QUESTION, NULL, IDYES);
        HWND copyPage = WaitCopyPage();
        HWND box = copyPage ? WaitMessageBox(copyPage) : NULL;
        ok(box != NULL, "the copy stops at the last row");
        if (box) {
            Screenshot shot = CaptureSettled(copyPage);
            ExpectPicture(copyPage, &shot, &picture, "copy page", box);
            ExpectFullBar(copyPage, &shot);
            FreeScreenshot(&shot);
        }
    }
    FreeScreenshot(&picture);
}

SCENARIO(page_look_at_120dpi)
{
    PageLookAtDpi(120, "win98");
}

SCENARIO(page_look_at_144dpi)
{
    PageLookAtDpi(144, NULL);
}
