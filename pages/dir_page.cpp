#include "internal.h"
#include "../install/install.h"
#include "../paint/paint.h"

char g_installDir[PATH_CHARS];
SECURITY_ATTRIBUTES g_securityAttributes;

#define EXISTS_QUESTION                                                                        \
    "Directory allready exsist or disk isn't writeable.\nContinue with installation anyway"

BOOL ComposeInstallDir()
{
    char composed[PATH_CHARS];
    if (!CopyText(composed, PATH_CHARS, g_baseDir) ||
        (lstrlenA(g_baseDir) > 3 && !AppendText(composed, PATH_CHARS, "\\")) ||
        !AppendText(composed, PATH_CHARS, g_dirName))
        return FALSE;
    CopyText(g_installDir, PATH_CHARS, composed);
    return TRUE;
}

void ProposeInstallDir()
{
    ScanDrives();
    CopyText(g_dirName, DIR_NAME_CHARS, PRODUCT_FOLDER);
    g_securityAttributes.nLength = sizeof g_securityAttributes;
    g_securityAttributes.lpSecurityDescriptor = NULL;
    g_securityAttributes.bInheritHandle = FALSE;
    // Installed before, it goes where it went, so that no second copy is left behind that
    // nothing can remove.
    char recorded[PATH_CHARS];
    if (g_switches.folder[0])
        ChooseFolder(g_switches.folder);
    else if (RecordedFolder(ENTRY_PROGRAM_DIR, recorded))
        ChooseFolder(recorded);
    ComposeInstallDir();
}

// A folder named on the command line may lie in folders that do not exist yet: they are
// made first, protected as the installation folder is.
BOOL MakeInstallDir()
{
    for (char *separator = g_installDir + 3; *separator; ++separator) {
        if (*separator == '\\') {
            *separator = '\0';
            MakeProtectedFolder(g_installDir);
            *separator = '\\';
        }
    }
    return MakeProtectedFolder(g_installDir);
}

static LRESULT OnDirInit(HWND page, UINT, WPARAM, LPARAM)
{
    ProposeInstallDir();
    SetDlgItemTextA(page, IDC_PATH, g_installDir);
    return 1;
}

static void OnDirNext(HWND page)
{
    if (g_dirName[0] == '\0') {
        MessageBoxA(page, NO_NAME_WARNING, NO_NAME_CAPTION, MB_OK | MB_ICONEXCLAMATION);
        SetFocus(GetDlgItem(page, IDC_PATH));
        return;
    }
    if (g_freeKB < REQUIRED_KB) {
        MessageBoxA(page, NOT_ENOUGH_SPACE_ERROR, NULL, MB_YESNO | MB_ICONERROR);
        return;
    }
    if (!ComposeInstallDir()) {
        MessageBeep((UINT)-1);
        return;
    }
    EndDialog(page, 0);
    if (MakeInstallDir()) {
        ArmStep(ID_STEP_COPY, 100);
    } else if (MessageBoxA(page, EXISTS_QUESTION, NULL, MB_YESNO | MB_ICONQUESTION) == IDNO) {
        ArmStep(ID_STEP_CANCELLED, 100);
    } else {
        ArmStep(ProtectInstallFolder(g_installDir) ? ID_STEP_COPY : ID_STEP_ERROR, 100);
    }
}

static LRESULT OnDirButton(HWND page, WORD id, WORD, LPARAM)
{
    if (id == IDOK)
        OnDirNext(page);
    else if (id == IDCANCEL)
        AskCancelPage(page, CANCEL_SETUP_QUESTION, CANCEL_SETUP_CAPTION);
    return 1;
}

static LRESULT OnDirBrowse(HWND page, WORD, WORD, LPARAM)
{
    DialogBoxParamA(g_hInstance, "IDD_BROWSE", page, FolderBrowserProc, 0);
    ComposeInstallDir();
    SetDlgItemTextA(page, IDC_PATH, g_installDir);
    return 0;
}

static const CommandMapEntry g_dirCommandRows[] = {
    {IDOK, OnDirButton},
    {IDCANCEL, OnDirButton},
    {IDC_BROWSE, OnDirBrowse},
};
static const CommandMap g_dirCommandMap = {MAP_ROWS(g_dirCommandRows), g_dirCommandRows,
                                           DEFPROC_NONE};

static LRESULT OnDirCommand(HWND page, UINT, WPARAM wParam, LPARAM lParam)
{
    return DispatchMapCommand(&g_dirCommandMap, page, wParam, lParam);
}

static const MessageMapEntry g_dirMessageRows[] = {
    {WM_COMMAND, OnDirCommand},
    {WM_INITDIALOG, OnDirInit},
    {WM_PAINT, OnPagePaint},
    {WM_CTLCOLOREDIT, OnPageCtlColor},
    {WM_CTLCOLORSTATIC, OnPageCtlColor},
};
static const MessageMap g_dirMessageMap = {MAP_ROWS(g_dirMessageRows), g_dirMessageRows,
                                           DEFPROC_NONE};

static INT_PTR CALLBACK DirPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DispatchMapMessage(&g_dirMessageMap, window, message, wParam, lParam);
}

int ShowDirPage(HWND owner)
{
    DialogBoxParamA(g_hInstance, "IDD_DIR", owner, DirPageProc, 0);
    return 0;
}
