#include "internal.h"
#include "../paint/paint.h"

HINSTANCE g_hInstance;
char g_className[CLASS_NAME_CHARS];
HWND g_hMainWnd;
int g_screenWidth;
int g_screenHeight;
char g_startDir[PATH_CHARS];
Switches g_switches;

// Current-directory reads are limited to 500 characters, well inside g_startDir.
#define START_DIR_READ 500

BOOL OnWindowsNT()
{
    return !(GetVersion() & 0x80000000);
}

static LRESULT OnMainCreate(HWND window, UINT, WPARAM, LPARAM)
{
    HDC dc = GetDC(window);
    g_screenWidth = GetDeviceCaps(dc, HORZRES);
    g_screenHeight = GetDeviceCaps(dc, VERTRES);
    ReleaseDC(window, dc);
    SetWindowPos(window, NULL, 0, 0, g_screenWidth, g_screenHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);

    ZeroMemory(g_startDir, sizeof g_startDir);
    GetCurrentDirectoryA(START_DIR_READ, g_startDir);
    if (lstrlenA(g_startDir) < 4)
        g_startDir[2] = '\0'; // a drive root keeps only its letter and colon

    CreateBackdrop(window);
    // Unattended, the folder is settled before the window opens: the copy comes first.
    g_stepTimer = SetTimer(window, g_switches.level ? ID_STEP_COPY : ID_STEP_VERSION, 100, NULL);
    return 0;
}

static LRESULT OnMainCommand(HWND window, UINT, WPARAM wParam, LPARAM lParam)
{
    return DispatchMapCommand(&g_mainCommandMap, window, wParam, lParam);
}

static LRESULT OnMainDestroy(HWND, UINT, WPARAM, LPARAM)
{
    PostQuitMessage(0);
    return 0;
}

static LRESULT OnMainClose(HWND window, WORD, WORD, LPARAM)
{
    DestroyWindow(window);
    return 0;
}

static const MessageMapEntry g_mainMessageRows[] = {
    {WM_CREATE, OnMainCreate},
    {WM_COMMAND, OnMainCommand},
    {WM_DESTROY, OnMainDestroy},
    {WM_TIMER, OnStepTimer},
    {WM_PAINT, OnMainPaint},
};
const MessageMap g_mainMessageMap = {MAP_ROWS(g_mainMessageRows), g_mainMessageRows,
                                     DEFPROC_WINDOW};

static const CommandMapEntry g_mainCommandRows[] = {
    {ID_MAIN_CLOSE, OnMainClose},
};
const CommandMap g_mainCommandMap = {MAP_ROWS(g_mainCommandRows), g_mainCommandRows,
                                     DEFPROC_WINDOW};

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DispatchMapMessage(&g_mainMessageMap, window, message, wParam, lParam);
}
