#include "pages.h"
#include "../shell/shell.h"
#include "../paint/paint.h"

#define LICENCE_TEXT_MAX 5000

static LRESULT OnAgreementInit(HWND page, UINT, WPARAM, LPARAM)
{
    static char licence[LICENCE_TEXT_MAX]; // more than a page of stack
    CreatePageLook();
    licence[0] = '\0';
    LoadStringA(g_hInstance, IDS_LICENCE, licence, LICENCE_TEXT_MAX);
    SetDlgItemTextA(page, IDC_LICENCE_TEXT, licence);
    SetFocus(GetDlgItem(page, IDOK));
    return 1;
}

static LRESULT OnAgreementButton(HWND page, WORD id, WORD, LPARAM)
{
    if (id == IDOK) {
        EndDialog(page, 0);
        ArmStep(ID_STEP_DIR, 100);
    } else if (id == IDCANCEL) {
        AskCancelPage(page, CANCEL_SETUP_QUESTION, CANCEL_SETUP_CAPTION);
    }
    return 1;
}

static const CommandMapEntry g_agreementCommandRows[] = {
    {IDOK, OnAgreementButton},
    {IDCANCEL, OnAgreementButton},
};
static const CommandMap g_agreementCommandMap = {MAP_ROWS(g_agreementCommandRows),
                                                 g_agreementCommandRows, DEFPROC_NONE};

static LRESULT OnAgreementCommand(HWND page, UINT, WPARAM wParam, LPARAM lParam)
{
    return DispatchMapCommand(&g_agreementCommandMap, page, wParam, lParam);
}

static const MessageMapEntry g_agreementMessageRows[] = {
    {WM_COMMAND, OnAgreementCommand},
    {WM_INITDIALOG, OnAgreementInit},
    {WM_PAINT, OnPagePaint},
};
static const MessageMap g_agreementMessageMap = {MAP_ROWS(g_agreementMessageRows),
                                                 g_agreementMessageRows, DEFPROC_NONE};

static INT_PTR CALLBACK AgreementPageProc(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam)
{
    return DispatchMapMessage(&g_agreementMessageMap, window, message, wParam, lParam);
}

int ShowAgreementPage(HWND owner)
{
    DialogBoxParamA(g_hInstance, "IDD_AGREEMENT", owner, AgreementPageProc, 0);
    return 0;
}
