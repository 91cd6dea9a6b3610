// Message and command dispatch over the tables.
#include "../check.h"
#include "../../shell/internal.h"

// The default window and dialog procedures are wrapped at link time, so the test sees
// exactly what reaches them.
struct DefaultCall {
    int calls;
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
static DefaultCall g_windowDefault, g_dialogDefault;

static LRESULT Record(DefaultCall *call, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ++call->calls;
    call->window = window;
    call->message = message;
    call->wParam = wParam;
    call->lParam = lParam;
    return 0x5A5A;
}
static LRESULT WINAPI RecordWindowDefault(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    return Record(&g_windowDefault, w, m, wp, lp);
}
static LRESULT WINAPI RecordDialogDefault(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    return Record(&g_dialogDefault, w, m, wp, lp);
}
extern "C" {
void *g_wrapDefWindowProc asm("___wrap__imp__DefWindowProcA@16") = (void *)RecordWindowDefault;
void *g_wrapDefDlgProc asm("___wrap__imp__DefDlgProcA@16") = (void *)RecordDialogDefault;
}

static void ResetDefaults()
{
    ZeroMemory(&g_windowDefault, sizeof g_windowDefault);
    ZeroMemory(&g_dialogDefault, sizeof g_dialogDefault);
}

// Handlers that say which row ran and what they were given.
static int g_lastRow;
static WORD g_lastCode;
static LPARAM g_lastParam;
static LRESULT MessageRow1(HWND, UINT, WPARAM, LPARAM lParam) { g_lastRow = 1; g_lastParam = lParam; return 11; }
static LRESULT MessageRow2(HWND, UINT, WPARAM, LPARAM) { g_lastRow = 2; return 22; }
static LRESULT CommandRow1(HWND, WORD, WORD code, LPARAM lParam)
{
    g_lastRow = 1; g_lastCode = code; g_lastParam = lParam; return 33;
}
static LRESULT CommandRow2(HWND, WORD, WORD, LPARAM) { g_lastRow = 2; return 44; }

static const MessageMapEntry g_messageRows[] = {
    {WM_PAINT, MessageRow1}, {WM_TIMER, MessageRow2}, {WM_PAINT, MessageRow2}};
static const CommandMapEntry g_commandRows[] = {
    {100, CommandRow1}, {7, CommandRow2}, {100, CommandRow2}};

static void TestFirstMatchWins()
{
    const MessageMap map = {MAP_ROWS(g_messageRows), g_messageRows, DEFPROC_NONE};
    g_lastRow = 0;
    LRESULT result = DispatchMapMessage(&map, NULL, WM_PAINT, 1, 0x1234);
    ok(result == 11 && g_lastRow == 1, "WM_PAINT: expected row 1 (11), got row %d (%ld)",
       g_lastRow, (long)result);
    ok(g_lastParam == 0x1234, "lParam passed through, got %lx", (long)g_lastParam);
    result = DispatchMapMessage(&map, NULL, WM_TIMER, 0, 0);
    ok(result == 22 && g_lastRow == 2, "WM_TIMER: expected row 2, got %d", g_lastRow);

    const CommandMap commands = {MAP_ROWS(g_commandRows), g_commandRows, DEFPROC_NONE};
    g_lastRow = 0;
    result = DispatchMapCommand(&commands, NULL, 100, 0);
    ok(result == 33 && g_lastRow == 1, "id 100: expected the first row, got row %d", g_lastRow);
}

static void TestCommandMatchesLowWordOnly()
{
    const CommandMap commands = {MAP_ROWS(g_commandRows), g_commandRows, DEFPROC_NONE};
    static const WORD codes[] = {0, 1, EN_UPDATE, CBN_SELENDOK, 0xFFFF};
    for (unsigned i = 0; i < sizeof codes / sizeof codes[0]; ++i) {
        g_lastRow = 0;
        g_lastCode = 0x1111;
        LRESULT result = DispatchMapCommand(&commands, NULL, MAKEWPARAM(100, codes[i]), 0x77);
        ok(result == 33 && g_lastRow == 1 && g_lastCode == codes[i] && g_lastParam == 0x77,
           "code %x: expected row 1 with the code, got row %d code %x", codes[i], g_lastRow,
           g_lastCode);
    }
    // An id that only matches in more than 16 bits does not match.
    ResetDefaults();
    g_lastRow = 0;
    DispatchMapCommand(&commands, NULL, 0x10000 | 8, 0);
    ok(g_lastRow == 0, "id 8 has no row, got row %d", g_lastRow);
}

struct DefaultCase {
    LONG kind;
    int windowCalls;
    int dialogCalls;
    LRESULT result;
};

static void TestDefaults()
{
    static const DefaultCase cases[] = {
        {DEFPROC_NONE, 0, 0, 0}, {DEFPROC_WINDOW, 1, 0, 0x5A5A}, {DEFPROC_DIALOG, 0, 1, 0x5A5A},
        {3, 0, 0, 0},            {-1, 0, 0, 0},                  {0x7FFFFFFF, 0, 0, 0},
    };
    HWND window = (HWND)0x1234;
    for (unsigned i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const DefaultCase *c = &cases[i];
        for (LONG count = -1; count <= 0; ++count) { // no rows: count 0 or negative
            const MessageMap map = {count, g_messageRows, c->kind};
            ResetDefaults();
            LRESULT result = DispatchMapMessage(&map, window, WM_PAINT, 5, 6);
            ok(result == c->result && g_windowDefault.calls == c->windowCalls &&
                   g_dialogDefault.calls == c->dialogCalls,
               "kind %ld count %ld: expected result %lx (%d/%d calls), got %lx (%d/%d)",
               (long)c->kind, (long)count, (long)c->result, c->windowCalls, c->dialogCalls,
               (long)result, g_windowDefault.calls, g_dialogDefault.calls);
        }
    }
    ResetDefaults();
    CallDefProc(DEFPROC_DIALOG, window, WM_CLOSE, 9, 10);
    ok(g_dialogDefault.window == window && g_dialogDefault.message == WM_CLOSE &&
           g_dialogDefault.wParam == 9 && g_dialogDefault.lParam == 10,
       "the dialog default gets the message unchanged");
}

static void TestMainWindowTables()
{
    // An unmatched command reaches DefWindowProcA as WM_COMMAND with wParam and lParam intact.
    ResetDefaults();
    HWND window = (HWND)0x4321;
    WPARAM wParam = MAKEWPARAM(301, BN_CLICKED);
    LRESULT result = DispatchMapMessage(&g_mainMessageMap, window, WM_COMMAND, wParam, 0xBEEF);
    ok(g_windowDefault.calls == 1 && g_windowDefault.message == WM_COMMAND &&
           g_windowDefault.wParam == wParam && g_windowDefault.lParam == 0xBEEF &&
           g_windowDefault.window == window && result == 0x5A5A,
       "unmatched WM_COMMAND: expected one default call with the same arguments, got %d "
       "calls, msg %u, wParam %lx, lParam %lx",
       g_windowDefault.calls, g_windowDefault.message, (long)g_windowDefault.wParam,
       (long)g_windowDefault.lParam);

    // An unlisted message goes to the default too; WM_CLOSE is not in the table.
    ResetDefaults();
    DispatchMapMessage(&g_mainMessageMap, window, WM_CLOSE, 0, 0);
    ok(g_windowDefault.calls == 1 && g_windowDefault.message == WM_CLOSE,
       "WM_CLOSE reaches the default window procedure");

    static const UINT rows[] = {WM_CREATE, WM_COMMAND, WM_DESTROY, WM_TIMER, WM_PAINT};
    ok(g_mainMessageMap.count == 5 && g_mainMessageMap.kind == DEFPROC_WINDOW,
       "main window: five rows, default window procedure");
    for (int i = 0; i < 5 && i < g_mainMessageMap.count; ++i)
        ok(g_mainMessageMap.entries[i].message == rows[i], "main row %d: expected %u, got %u",
           i, rows[i], g_mainMessageMap.entries[i].message);
    ok(g_mainCommandMap.count == 1 && g_mainCommandMap.entries[0].id == ID_MAIN_CLOSE &&
           g_mainCommandMap.kind == DEFPROC_WINDOW,
       "main commands: the close command only");
}

int main()
{
    TestFirstMatchWins();
    TestCommandMatchesLowWordOnly();
    TestDefaults();
    TestMainWindowTables();
    return check_summary();
}
