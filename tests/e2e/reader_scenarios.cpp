// Every page and both browsers as a screen reader meets them: the focus on the first control
// as each opens, a name for every control that shows or takes text, and the copy's progress
// announced at each step.
#include "driver.h"
#include <commctrl.h>
#include <algorithm>

// A control and the name it is read by; NULL where the name is the control's own text.
struct Named {
    int id;
    const char *name;
};

static const Named g_licenceNames[] = {{IDC_LICENCE_TEXT, "Licence"}};
static const Named g_dirNames[] = {{IDC_PATH, "Install in directory"}};
static const Named g_browserNames[] = {
    {IDC_DIR_NAME, " Install in directory:"}, {IDC_DRIVES, "Drive"}, {IDC_FOLDERS, "Folders"},
    {IDC_FULL_PATH, "Full path"},             {IDC_FREE_SPACE, NULL},
};
static const Named g_copyNames[] = {{IDC_COPY_PROGRESS, "Progress"}, {IDC_COPY_STATUS, "Copying"}};
static const Named g_shortcutNames[] = {{IDC_PATH, "Create shortcuts in"}};
static const Named g_shortcutBrowserNames[] = {
    {IDC_SHORTCUT_PATH, "Create a shortcuts on the Start menu."},
    {IDC_SHORTCUT_FOLDERS, "Folders"},
};

// Wine's oleacc names a combo box or a progress bar by its own text, as any window of a
// class it does not know; Windows names them by the label just before them, as it names an
// edit box. That label is read here as Windows reads it.
static std::string NameAsRead(HWND control)
{
    std::string kind = ClassName(control);
    if (lstrcmpiA(kind.c_str(), "ComboBox") != 0 && lstrcmpiA(kind.c_str(), PROGRESS_CLASSA) != 0)
        return AccessibleName(control);
    HWND label = GetWindow(control, GW_HWNDPREV);
    return label && lstrcmpiA(ClassName(label).c_str(), "Static") == 0 ? WindowText(label) : "";
}

static void ExpectFocusOn(HWND dialog, int first, const char *which)
{
    ok(FocusedControl(dialog) == GetDlgItem(dialog, first), "%s: the focus starts on control %d",
       which, first);
}

template <int N> static void ExpectNames(HWND dialog, const Named (&names)[N], const char *which)
{
    for (const Named &named : names) {
        std::string expected = named.name ? named.name : ControlText(dialog, named.id);
        std::string read = NameAsRead(GetDlgItem(dialog, named.id));
        ok(!expected.empty() && read == expected, "%s: control %d is read as \"%s\", expected \"%s\"",
           which, named.id, read.c_str(), expected.c_str());
    }
}

// The value changes setup.exe announces, as a screen reader hears of them: out of its
// process, whenever the driver reads its messages.
static std::vector<HWND> g_valueChanges;

static void CALLBACK OnValueChange(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child,
                                   DWORD, DWORD)
{
    if (object == OBJID_CLIENT && child == CHILDID_SELF)
        g_valueChanges.push_back(window);
}

static int ValueChangesOf(HWND window)
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
    int count = 0;
    for (HWND changed : g_valueChanges)
        count += changed == window;
    return count;
}

// The percentage the bar shows after each step, 0 before the first.
static const int g_shownPercentages[PAYLOAD_ROWS + 1] = {0,  7,  14, 21, 28, 35, 42, 50,
                                                         57, 64, 71, 78, 85, 92, 100};

// Held by the cancel question, the copy page is read, and the bar's value is the percentage
// of the last step announced; No lets the copy go on to the shortcut page, having announced
// each of its steps.
static HWND ReadCopyPage()
{
    HWND page = WaitCopyPage();
    HWND bar = page ? GetDlgItem(page, IDC_COPY_PROGRESS) : NULL;
    ok(bar != NULL, "the copy page appears");
    if (!bar)
        return NULL;
    ExpectFocusOn(page, IDCANCEL, "copy page");
    PressKey(page, VK_ESCAPE);
    if (WaitMessageBox(page)) {
        ExpectNames(page, g_copyNames, "copy page");
        int steps = std::min(ValueChangesOf(bar), PAYLOAD_ROWS);
        DWORD_PTR value = 0;
        SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, WAIT_MS, &value);
        ok(value == (DWORD_PTR)g_shownPercentages[steps],
           "after %d steps the bar's value is %u, expected %d", steps, (unsigned)value,
           g_shownPercentages[steps]);
    }
    ANSWER(page, "Are you sure you want to cancel the setup?\nAll installed files will be removed.",
           "Question", IDNO);
    HWND next = Appeared(WaitDialogWithControl(IDOK, "Finnish"), "the shortcut page");
    int announced = ValueChangesOf(bar);
    ok(announced == PAYLOAD_ROWS, "the bar announced %d value changes, one a step: expected %d",
       announced, PAYLOAD_ROWS);
    return next;
}

// Wine cannot show the bar's role and value as Windows' own reader support gives them (it
// knows no progress bar): the value the control holds and the events stand for them.
SCENARIO(screen_reader)
{
    if (!StartSetup())
        return;
    HWND page = Appeared(WaitDialogWithControl(IDOK, "I Agree"), "the licence page");
    if (!page)
        return;
    ExpectFocusOn(page, IDOK, "licence page");
    ExpectNames(page, g_licenceNames, "licence page");
    PressButton(page, IDOK);
    page = Appeared(WaitDialogWithControl(IDOK, "Next"), "the directory page");
    if (!page)
        return;
    ExpectFocusOn(page, IDOK, "directory page");
    ExpectNames(page, g_dirNames, "directory page");
    PressButton(page, IDC_BROWSE);
    HWND browser = Appeared(WaitDialogTitled("Setup - directory"), "the folder browser");
    if (!browser)
        return;
    ExpectFocusOn(browser, IDOK, "folder browser");
    ExpectNames(browser, g_browserNames, "folder browser");
    PressKey(browser, VK_ESCAPE);
    ok(WaitWindowGone(browser), "Escape closes the folder browser");

    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE, NULL,
                                         OnValueChange, SetupProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ok(hook != NULL, "the driver hears of value changes");
    PressButton(page, IDOK);
    page = ReadCopyPage();
    UnhookWinEvent(hook);
    if (!page)
        return;
    ExpectFocusOn(page, IDOK, "shortcut page");
    ExpectNames(page, g_shortcutNames, "shortcut page");
    PressButton(page, IDC_BROWSE);
    browser = Appeared(WaitDialogWithControl(IDC_SHORTCUT_FOLDERS, "Folders"),
                       "the shortcut browser");
    if (!browser)
        return;
    ExpectFocusOn(browser, IDOK, "shortcut browser");
    ExpectNames(browser, g_shortcutBrowserNames, "shortcut browser");
    PressKey(browser, VK_ESCAPE);
    ok(WaitWindowGone(browser), "Escape closes the shortcut browser");
}
