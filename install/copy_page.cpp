#include "install.h"
#include "../shell/shell.h"
#include "../pages/pages.h"
#include "../paint/paint.h"

HWND g_hCopyPage;
HWND g_hProgressCtl;

static LRESULT OnCopyInit(HWND page, UINT, WPARAM, LPARAM)
{
    g_hProgressCtl = GetDlgItem(page, IDC_COPY_PROGRESS);
    ProgressPrepare();
    g_hCopyPage = page;
    g_copyRow = 0;
    g_copyBusy = 0;
    g_copyCancelRequested = 0;
    MakePayloadFolders();
    ArmStep(ID_STEP_EXTRACT, 50); // periodic: each tick expands one row
    return 1;
}

// The engine asks the question at its next tick.
static LRESULT OnCopyCancel(HWND, WORD, WORD, LPARAM)
{
    g_copyCancelRequested = 1;
    return 1;
}

static const CommandMapEntry g_copyCommandRows[] = {
    {IDCANCEL, OnCopyCancel},
};
static const CommandMap g_copyCommandMap = {MAP_ROWS(g_copyCommandRows), g_copyCommandRows,
                                            DEFPROC_NONE};

static LRESULT OnCopyCommand(HWND page, UINT, WPARAM wParam, LPARAM lParam)
{
    return DispatchMapCommand(&g_copyCommandMap, page, wParam, lParam);
}

static const MessageMapEntry g_copyMessageRows[] = {
    {WM_COMMAND, OnCopyCommand},
    {WM_INITDIALOG, OnCopyInit},
    {WM_PAINT, OnPagePaint},
    {WM_CTLCOLOREDIT, OnPageCtlColor},
};
static const MessageMap g_copyMessageMap = {MAP_ROWS(g_copyMessageRows), g_copyMessageRows,
                                            DEFPROC_NONE};

static INT_PTR CALLBACK CopyPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DispatchMapMessage(&g_copyMessageMap, window, message, wParam, lParam);
}

int ShowCopyPage(HWND owner)
{
    DialogBoxParamA(g_hInstance, "IDD_COPY", owner, CopyPageProc, 0);
    return 0;
}
