#include "shell.h"
#include "../pages/pages.h"
#include "../install/install.h"

UINT_PTR g_stepTimer;

#define SUPPORT_ADDRESS "support@quillmere.example.com"

struct ClosingMessage {
    UINT step;
    const char *text;
    const char *caption;
    UINT type;
    int exitCode;
};

static const ClosingMessage g_closingMessages[] = {
    {ID_STEP_DONE, "Quillmere was successfully installed", "Setup", MB_OK | MB_ICONINFORMATION, 0},
    {ID_STEP_ERROR,
     "An error was ocured.\nYou can send me an email on: " SUPPORT_ADDRESS
     "\nwith your error message for a instruction how to setup this progam",
     "Setup error", MB_OK | MB_ICONEXCLAMATION, ERROR_INSTALL_FAILURE},
    {ID_STEP_CANCELLED, "Program will exit", "Setup canceled", MB_OK | MB_ICONEXCLAMATION,
     ERROR_INSTALL_USEREXIT},
};

typedef int (*PageOpener)(HWND owner);

// Before the licence: an earlier version goes over a later one only when the user says so.
static int AskInstalledVersion(HWND owner)
{
    ArmStep(AcceptInstalledVersion(owner) ? ID_STEP_AGREEMENT : ID_STEP_CANCELLED, 100);
    return 0;
}

struct PageStep {
    UINT step;
    PageOpener open;
};

static const PageStep g_pageSteps[] = {
    {ID_STEP_VERSION, AskInstalledVersion},
    {ID_STEP_AGREEMENT, ShowAgreementPage},
    {ID_STEP_DIR, ShowDirPage},
    {ID_STEP_COPY, ShowCopyPage},
};

void ArmStep(UINT step, UINT milliseconds)
{
    g_stepTimer = SetTimer(g_hMainWnd, step, milliseconds, NULL);
}

void KillStepTimer()
{
    KillTimer(g_hMainWnd, g_stepTimer);
}

void AskCancelPage(HWND page, const char *question, const char *caption)
{
    KillStepTimer();
    if (MessageBoxA(page, question, caption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        EndDialog(page, 0);
        ArmStep(ID_STEP_CANCELLED, 100);
    }
}

LRESULT OnStepTimer(HWND, UINT, WPARAM wParam, LPARAM)
{
    if (wParam == ID_STEP_EXTRACT) {
        ExpandNextPayload(); // the copy page's loop keeps this timer running
        return 0;
    }
    for (int i = 0; i < (int)(sizeof g_pageSteps / sizeof g_pageSteps[0]); ++i) {
        if (g_pageSteps[i].step == wParam) {
            KillStepTimer();
            g_pageSteps[i].open(g_hMainWnd);
            return 0;
        }
    }
    for (int i = 0; i < (int)(sizeof g_closingMessages / sizeof g_closingMessages[0]); ++i) {
        const ClosingMessage *closing = &g_closingMessages[i];
        if (closing->step == wParam) {
            KillStepTimer();
            SetExitCode(closing->exitCode); // a failure on the way stays one
            Report(g_hMainWnd, closing->text, closing->caption, closing->type);
            DestroyWindow(g_hMainWnd);
            return 0;
        }
    }
    return 0;
}
