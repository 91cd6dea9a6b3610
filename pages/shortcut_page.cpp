#include "internal.h"
#include "../paint/paint.h"
#include "../install/install.h"
#include "../shared/system_folder.h"
#include <shellapi.h>
#include <shlobj.h>

char g_shortcutDir[PATH_CHARS];
DWORD g_winVersion;
static char g_pathBuffer[PATH_CHARS];
static char g_linkTarget[PATH_CHARS];

#define START_MENU_PROGRAMS "\\Start Menu\\Programs"
#define CANCEL_SHORTCUTS_QUESTION "Cancel creating the shortcuts?"
#define CANCEL_SHORTCUTS_CAPTION "Confirmation"
#define SHORTCUTS_FAILED "Setup could not create the shortcuts in\n"
#define SHORTCUTS_FAILED_CAPTION "Setup"

BOOL ProgramGroupFolder(char *buffer, int size, const char *folder)
{
    int length = lstrlenA(folder);
    BOOL separator = length == 0 || folder[length - 1] != '\\';
    if (length + separator + (int)sizeof PRODUCT_FOLDER > size)
        return FALSE;
    CopyText(buffer, size, folder);
    if (separator)
        AppendText(buffer, size, "\\");
    AppendText(buffer, size, PRODUCT_FOLDER);
    return TRUE;
}

BOOL CompleteProgramGroup()
{
    return ProgramGroupFolder(g_pathBuffer, PATH_CHARS, g_shortcutDir) &&
           CopyText(g_shortcutDir, PATH_CHARS, g_pathBuffer);
}

static void ShowProgramGroup(HWND page)
{
    ProgramGroupFolder(g_pathBuffer, PATH_CHARS, g_shortcutDir);
    SetDlgItemTextA(page, IDC_PATH, g_pathBuffer);
}

static BOOL JoinPath(char *buffer, const char *folder, const char *name)
{
    return CopyText(buffer, PATH_CHARS, folder) && AppendText(buffer, PATH_CHARS, name);
}

// The program-group folder and its three shortcuts; whether all of them are there.
static BOOL MakeShortcuts()
{
    CreateDirectoryA(g_shortcutDir, &g_securityAttributes);
    BOOL made = IsFolder(g_shortcutDir);
    for (int i = 0; i < SHORTCUT_ROWS; ++i) {
        const ShortcutRow *row = &ProgramGroupShortcuts[i];
        HRESULT result = E_FAIL;
        if (JoinPath(g_pathBuffer, g_shortcutDir, row->linkFile) &&
            JoinPath(g_linkTarget, g_installDir, row->target))
            result = CreateShortcut(g_linkTarget, g_pathBuffer, row->description);
        if (FAILED(result)) {
            LogFailure(row->linkFile, (DWORD)result);
            made = FALSE;
        } else {
            Log("Shortcut ");
            Log(g_pathBuffer);
            LogLine(" to ", g_linkTarget);
        }
    }
    CopyText(g_pathBuffer, PATH_CHARS, g_shortcutDir);
    return made;
}

static void ReportShortcutFailure()
{
    char message[sizeof SHORTCUTS_FAILED + PATH_CHARS];
    CopyText(message, sizeof message, SHORTCUTS_FAILED);
    AppendText(message, sizeof message, g_shortcutDir);
    Report(g_hMainWnd, message, SHORTCUTS_FAILED_CAPTION, MB_OK | MB_ICONEXCLAMATION);
}

// The installation is complete whatever happens to the shortcuts. The program group's
// folder is shown to whoever is there.
static void FinishInstallation()
{
    BOOL grouped = CompleteProgramGroup();
    LogLine("Program group: ", g_shortcutDir);
    WriteRegistryEntries();
    if (!grouped || !MakeShortcuts())
        ReportShortcutFailure();
    if (grouped && IsFolder(g_shortcutDir) && g_switches.level == UI_FULL)
        ShellExecuteA(g_hMainWnd, NULL, g_pathBuffer, NULL, NULL, SW_SHOWNA);
}

static void OnShortcutFinish(HWND page)
{
    EndDialog(page, 0);
    FinishInstallation();
    ArmStep(ID_STEP_DONE, 100);
}

// Windows since Vista keeps the Start menu outside the Windows directory: where that has
// no Programs folder, the system's own all-users one serves.
static void ChooseStartMenuFolder()
{
    g_winVersion = GetVersion();
    GetWindowsDirectoryA(g_shortcutDir, PATH_CHARS);
    AppendText(g_shortcutDir, PATH_CHARS, START_MENU_PROGRAMS);
    char programs[MAX_PATH];
    if (!IsFolder(g_shortcutDir) && SystemFolder(CSIDL_COMMON_PROGRAMS, programs))
        CopyText(g_shortcutDir, PATH_CHARS, programs);
    // The program group an earlier installation made, in the folder that holds it.
    if (RecordedFolder(ENTRY_GROUP_DIR, g_pathBuffer)) {
        CutToParent(g_pathBuffer);
        CopyText(g_shortcutDir, PATH_CHARS, g_pathBuffer);
    }
}

void FinishUnattended()
{
    ChooseStartMenuFolder();
    FinishInstallation();
}

static LRESULT OnShortcutInit(HWND page, UINT, WPARAM, LPARAM)
{
    ChooseStartMenuFolder();
    ShowProgramGroup(page);
    return 1;
}

static LRESULT OnShortcutBrowse(HWND page, WORD, WORD, LPARAM)
{
    DialogBoxParamA(g_hInstance, "IDD_BROWSE_SHORTCUT", page, ShortcutBrowserProc, 0);
    ShowProgramGroup(page);
    return 0;
}

static LRESULT OnShortcutButton(HWND page, WORD id, WORD, LPARAM)
{
    if (id == IDOK)
        OnShortcutFinish(page);
    else if (id == IDCANCEL)
        AskCancelPage(page, CANCEL_SHORTCUTS_QUESTION, CANCEL_SHORTCUTS_CAPTION);
    return 1;
}

static const CommandMapEntry g_shortcutCommandRows[] = {
    {IDOK, OnShortcutButton},
    {IDCANCEL, OnShortcutButton},
    {IDC_BROWSE, OnShortcutBrowse},
};
static const CommandMap g_shortcutCommandMap = {MAP_ROWS(g_shortcutCommandRows),
                                                g_shortcutCommandRows, DEFPROC_NONE};

static LRESULT OnShortcutCommand(HWND page, UINT, WPARAM wParam, LPARAM lParam)
{
    return DispatchMapCommand(&g_shortcutCommandMap, page, wParam, lParam);
}

static const MessageMapEntry g_shortcutMessageRows[] = {
    {WM_COMMAND, OnShortcutCommand},
    {WM_INITDIALOG, OnShortcutInit},
    {WM_PAINT, OnPagePaint},
    {WM_CTLCOLOREDIT, OnPageCtlColor},
    {WM_CTLCOLORSTATIC, OnPageCtlColor},
};
static const MessageMap g_shortcutMessageMap = {MAP_ROWS(g_shortcutMessageRows),
                                                g_shortcutMessageRows, DEFPROC_NONE};

static INT_PTR CALLBACK ShortcutPageProc(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam)
{
    return DispatchMapMessage(&g_shortcutMessageMap, window, message, wParam, lParam);
}

int ShowShortcutPage(HWND owner)
{
    DialogBoxParamA(g_hInstance, "IDD_SHORTCUT", owner, ShortcutPageProc, 0);
    return 0;
}
