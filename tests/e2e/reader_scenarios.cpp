// Every page and both browsers as a screen reader meets them: the focus on the first control,
// each box read by its name, and the copy's steps announced.
#include "driver.h"
#include <commctrl.h>
#include <algorithm>

static std::vector<HWND> g_changed;

static void CALLBACK OnValueChange(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD)
{
    g_changed.push_back(window);
}

// The value changes of window announced so far: the driver hears of them as it reads its
// messages, which it may do while it waits for a window.
static int Announced(HWND window)
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
    return (int)std::count(g_changed.begin(), g_changed.end(), window);
}

// Wine's oleacc names a combo box or a progress bar by its own text; Windows, as it names an
// edit box, by the label just before it, which is read here as Windows reads it.
static std::string NameAsRead(HWND control)
{
    std::string kind = ClassName(control);
    if (kind != "ComboBox" && kind != PROGRESS_CLASSA)
        return AccessibleName(control);
    return WindowText(GetWindow(control, GW_HWNDPREV));
}

// A dialog that opened with the focus on control first (not looked at for 0), and the names
// its boxes are read by.
static bool Read(HWND dialog, int first, std::initializer_list<std::pair<int, const char *>> names)
{
    if (!Appeared(dialog, "a page or browser"))
        return false;
    ok(!first || FocusedControl(dialog) == GetDlgItem(dialog, first),
       "the focus starts on control %d", first);
    for (const auto &named : names) {
        std::string read = NameAsRead(GetDlgItem(dialog, named.first));
        ok(read == named.second, "control %d read as \"%s\", expected \"%s\"", named.first,
           read.c_str(), named.second);
    }
    return true;
}

SCENARIO(screen_reader)
{
    if (!StartSetup())
        return;
    HWND page = WaitDialogWithControl(IDOK, "I Agree");
    if (!Read(page, IDOK, {{IDC_LICENCE_TEXT, "Licence"}}))
        return;
    PressButton(page, IDOK);
    page = WaitDialogWithControl(IDOK, "Next");
    if (!Read(page, IDOK, {{IDC_PATH, "Install in directory"}}))
        return;
    PressButton(page, IDC_BROWSE);
    HWND browser = WaitDialogTitled("Setup - directory");
    if (Read(browser, IDOK, {{IDC_DIR_NAME, " Install in directory:"}, {IDC_DRIVES, "Drive"},
                             {IDC_FOLDERS, "Folders"}, {IDC_FULL_PATH, "Full path"}}))
        PressKey(browser, VK_ESCAPE);
    ok(WaitWindowGone(browser), "Escape closes the folder browser");

    // Held by the cancel question, the copy page is read; then each step is announced.
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE, NULL,
                                         OnValueChange, SetupProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    PressButton(page, IDOK);
    page = WaitCopyPage();
    HWND bar = GetDlgItem(page, IDC_COPY_PROGRESS);
    ok(bar && FocusedControl(page) == GetDlgItem(page, IDCANCEL), "copy page: focus on Cancel");
    PressKey(page, VK_ESCAPE);
    Read(WaitMessageBox(page) ? page : NULL, 0,
         {{IDC_COPY_PROGRESS, "Progress"}, {IDC_COPY_STATUS, "Copying"}});
    ANSWER(page, "Are you sure you want to cancel the setup?\nAll installed files will be removed.",
           "Question", IDNO);
    page = WaitDialogWithControl(IDOK, "Finnish");
    int steps = Announced(bar);
    ok(steps == PAYLOAD_ROWS, "%d steps announced, expected %d", steps, PAYLOAD_ROWS);
    UnhookWinEvent(hook);
    if (!Read(page, IDOK, {{IDC_PATH, "Create shortcuts in"}}))
        return;
    PressButton(page, IDC_BROWSE);
    Read(WaitDialogWithControl(IDC_SHORTCUT_FOLDERS, "Folders"), IDOK,
         {{IDC_SHORTCUT_PATH, "Create a shortcuts on the Start menu."},
          {IDC_SHORTCUT_FOLDERS, "Folders"}});
}
