// The licence page and the install-directory page, used as a person would: buttons and keys.
#include "driver.h"
#include <algorithm>

#define CANCEL_QUESTION "Are you sure you want to cancel the setup?"
#define EXISTS_QUESTION                                                                        \
    "Directory allready exsist or disk isn't writeable.\nContinue with installation anyway"
#define SYSTEM_CAPTION "Error" // what the system shows for a message box without a caption
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

static HWND StartAtLicence()
{
    return StartSetup() ? Appeared(WaitLicencePage(), "the licence page") : NULL;
}

static HWND StartAtDirPage()
{
    HWND licence = StartAtLicence();
    if (!licence)
        return NULL;
    PressButton(licence, IDOK);
    return Appeared(WaitDirPage(), "the directory page after the licence");
}

static bool IsDirectory(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
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
    ok(code == 0, "%s: expected exit code 0, got %lu", how, code);
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

    // Tab twice from "I Agree" reaches the box; keys move the caret but change nothing.
    PressKey(page, VK_TAB);
    PressKey(page, VK_TAB);
    Settle(page);
    ok(FocusedControl(page) == box, "Tab reaches the licence box");
    PressKey(page, VK_END);
    PressKey(page, 'X');
    PressKey(page, VK_BACK);
    PressKey(page, VK_DELETE);
    Settle(page);
    DWORD_PTR selection = 0;
    SendMessageTimeoutA(box, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, WAIT_MS, &selection);
    ok(HIWORD(selection) > 0 && LOWORD(selection) == HIWORD(selection),
       "End moved the caret (selection %u-%u)", LOWORD(selection), HIWORD(selection));
    ok((GetWindowLongA(box, GWL_STYLE) & ES_READONLY) && WindowText(box) == shown,
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
