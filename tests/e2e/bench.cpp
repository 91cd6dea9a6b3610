// "make bench": times from launching the installer to its first paint of the backdrop.
#include "driver.h"
#include <stdlib.h>

static int CompareTimes(const void *a, const void *b)
{
    return *(const DWORD *)a > *(const DWORD *)b ? 1 : *(const DWORD *)a < *(const DWORD *)b ? -1 : 0;
}

// The bottom-right pixel of the client turns blue once the backdrop has been copied.
static bool BackdropShown()
{
    HDC screen = GetDC(NULL);
    int x = GetSystemMetrics(SM_CXSCREEN) - 10;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    COLORREF pixel = GetPixel(screen, x, y);
    ReleaseDC(NULL, screen);
    return GetRValue(pixel) == 0 && GetGValue(pixel) == 0 && GetBValue(pixel) > 0x40;
}

static void TimeFirstPaint()
{
    int runs = atoi(g_extraArgument.c_str());
    if (runs < 1)
        runs = 5;
    DWORD times[32];
    int measured = 0;
    for (int run = 0; run < runs && run < 32; ++run) {
        DWORD start = GetTickCount();
        if (!StartSetup())
            return;
        while (!BackdropShown() && GetTickCount() - start < 600000)
            Sleep(5);
        times[measured++] = GetTickCount() - start;
        KillSetup();
        Sleep(500); // let the screen go back to the root window's colour
    }
    qsort(times, measured, sizeof times[0], CompareTimes);
    printf("first paint: median %lu ms over %d runs (min %lu, max %lu)\n",
           times[measured / 2], measured, times[0], times[measured - 1]);
    ok(measured > 0, "measured");
}

static ScenarioEntry g_bench("first_paint", TimeFirstPaint);

static HWND WaitPageWith(int id, const char *text)
{
    HWND page = WaitDialogWithControl(id, text);
    ok(page != NULL, "page with \"%s\"", text);
    return page;
}

// From the copy page's appearance to the shortcut page's: fifteen ticks of at least 50 ms.
static void TimeCopyStage()
{
    int runs = atoi(g_extraArgument.c_str());
    if (runs < 1)
        runs = 3;
    DWORD times[16];
    int measured = 0;
    for (int run = 0; run < runs && run < 16; ++run) {
        if (!StartSetup())
            return;
        HWND page = WaitPageWith(IDOK, "I Agree");
        if (page)
            PressButton(page, IDOK);
        page = WaitPageWith(IDOK, "Next");
        if (page)
            PressButton(page, IDOK);
        if (run > 0) { // installing over the last run
            HWND box = WaitMessageBox(page);
            if (box)
                PressButton(box, IDYES);
        }
        if (!WaitDialogWithControl(IDC_COPY_PROGRESS, ""))
            return;
        DWORD start = GetTickCount();
        if (!WaitPageWith(IDOK, "Finnish"))
            return;
        times[measured++] = GetTickCount() - start;
        KillSetup();
    }
    qsort(times, measured, sizeof times[0], CompareTimes);
    printf("copy stage: median %lu ms over %d runs (min %lu, max %lu); floor 15 x 50 = 750 ms\n",
           times[measured / 2], measured, times[0], times[measured - 1]);
}

static ScenarioEntry g_benchCopy("copy_stage", TimeCopyStage);
