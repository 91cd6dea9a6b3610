#include "internal.h"
#include "../shared/dll_search.h"
#include <commctrl.h>

typedef void(WINAPI *NotifyWinEventFunction)(DWORD event, HWND window, LONG object, LONG child);

static CopyProgress g_copyProgress;
static WNDPROC g_barProc;
static NotifyWinEventFunction g_notifyWinEvent; // none on Windows 95

// The fill's rows and the number's top row in a bar 20 pixels tall, as the bar is at 96 dots
// per inch; a taller bar, at a higher DPI, keeps them in proportion.
#define BAR_HEIGHT 20
#define FILL_TOP 2
#define FILL_BOTTOM 18
#define TEXT_TOP 1
#define BAR_BLUE RGB(0, 0, 0xFF)

// W / n as a whole part and four decimal digits, by long division.
void ProgressSetup(CopyProgress *progress, LONG width, LONG height, LONG n)
{
    if (n < 1)
        n = 1;
    progress->width = width;
    progress->stepCount = n + 1; // the fill reaches W at the last step, one after n spans
    progress->stepNumber = 1;
    progress->stepWhole = width / n;
    LONG remainder = width % n;
    for (int k = 0; k < PROGRESS_DIGITS; ++k) {
        progress->stepDigits[k] = 10 * remainder / n;
        remainder = 10 * remainder % n;
        progress->accDigits[k] = 0;
    }
    progress->accWhole = 0;
    SetRect(&progress->fill, 0, MulDiv(FILL_TOP, height, BAR_HEIGHT), 0,
            MulDiv(FILL_BOTTOM, height, BAR_HEIGHT));
    progress->textTop = MulDiv(TEXT_TOP, height, BAR_HEIGHT);
}

static void AdvancePixel(CopyProgress *progress)
{
    if (progress->fill.right < progress->width - 1)
        ++progress->fill.right;
    else
        progress->fill.right = progress->width;
}

// The whole part of a step is drawn one step late: each step draws what the last one left.
BOOL ProgressAdvance(CopyProgress *progress)
{
    LONG carry = 0;
    for (int k = PROGRESS_DIGITS - 1; k >= 0; --k) {
        LONG sum = progress->accDigits[k] + progress->stepDigits[k] + carry;
        carry = sum >= 10;
        progress->accDigits[k] = carry ? sum - 10 : sum;
    }
    progress->accWhole += carry;

    if (progress->stepWhole == 0) {
        if (progress->accWhole > 0) {
            AdvancePixel(progress);
            --progress->accWhole;
        }
    } else {
        for (; progress->accWhole != 0; --progress->accWhole)
            AdvancePixel(progress);
        progress->accWhole = progress->stepWhole;
    }

    if (progress->stepNumber > progress->stepCount)
        return FALSE;
    progress->percent = progress->stepNumber * 100 / progress->stepCount;
    wsprintfA(progress->text, "%ld", progress->percent);
    ++progress->stepNumber;
    return TRUE;
}

// The control repaints itself black, as the rectangle the fill is drawn on: the fill is
// drawn again at the next step.
static LRESULT CALLBACK BarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return CallWindowProcA(g_barProc, bar, message, wParam, lParam);
    PAINTSTRUCT paint;
    BeginPaint(bar, &paint);
    FillRect(paint.hdc, &paint.rcPaint, (HBRUSH)(COLOR_WINDOWFRAME + 1));
    EndPaint(bar, &paint);
    return 0;
}

// The bar is the system's progress control, which screen readers know and ask for its
// value, with no edge of its own.
void ProgressPrepare()
{
    g_barProc = (WNDPROC)SetWindowLongA(g_hProgressCtl, GWL_WNDPROC, (LONG)BarProc);
    SetWindowLongA(g_hProgressCtl, GWL_EXSTYLE, WS_EX_NOPARENTNOTIFY);
    SetWindowPos(g_hProgressCtl, NULL, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    g_notifyWinEvent = ExportAs<NotifyWinEventFunction>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "NotifyWinEvent"));
}

// The control takes the percentage without painting over the fill, and screen readers hear
// of it.
static void AnnounceProgress(LONG percent)
{
    SendMessageA(g_hProgressCtl, WM_SETREDRAW, FALSE, 0);
    SendMessageA(g_hProgressCtl, PBM_SETPOS, percent, 0);
    SendMessageA(g_hProgressCtl, WM_SETREDRAW, TRUE, 0);
    if (g_notifyWinEvent)
        g_notifyWinEvent(EVENT_OBJECT_VALUECHANGE, g_hProgressCtl, OBJID_CLIENT, CHILDID_SELF);
}

void ProgressBegin(LONG n)
{
    CopyProgress *progress = &g_copyProgress;
    RECT client;
    GetClientRect(g_hProgressCtl, &client);
    ProgressSetup(progress, client.right, client.bottom, n);
    progress->dc = GetDC(g_hProgressCtl);
    progress->brush = CreateSolidBrush(BAR_BLUE);
    progress->oldBrush = SelectObject(progress->dc, progress->brush);
}

void ProgressStep()
{
    CopyProgress *progress = &g_copyProgress;
    if (!progress->dc)
        return;
    BOOL textDue = ProgressAdvance(progress);
    FillRect(progress->dc, &progress->fill, progress->brush);
    if (!textDue)
        return;
    // Repainting the unfilled strip black wipes the previous number there. It is repainted
    // now, before the new number: a repaint left for later would wipe the new one too.
    RECT strip = progress->fill;
    strip.left = progress->fill.right;
    strip.right = progress->width;
    InvalidateRect(g_hProgressCtl, &strip, TRUE);
    UpdateWindow(g_hProgressCtl);
    SetBkMode(progress->dc, TRANSPARENT);
    SetTextColor(progress->dc, RGB(0xFF, 0xFF, 0xFF));
    int length = lstrlenA(progress->text);
    SIZE extent;
    GetTextExtentPoint32A(progress->dc, progress->text, length, &extent);
    TextOutA(progress->dc, progress->width / 2 - extent.cx / 2, progress->textTop, progress->text,
             length);
    AnnounceProgress(progress->percent);
}

// Also used when the copy ends early, so it is safe to call more than once.
void ProgressEnd()
{
    CopyProgress *progress = &g_copyProgress;
    if (!progress->dc)
        return;
    if (progress->oldBrush)
        SelectObject(progress->dc, progress->oldBrush);
    ReleaseDC(g_hProgressCtl, progress->dc);
    if (progress->brush)
        DeleteObject(progress->brush);
    progress->dc = NULL;
    progress->brush = NULL;
    progress->oldBrush = NULL;
}
