#include "paint.h"
#include "../shell/shell.h"

// Made by the licence page, used by every main page, never freed.
static HBITMAP g_pagePicture;
static BITMAP g_pagePictureInfo;
static HBRUSH g_pageBrush;

#define PAGE_TEXT_COLOUR RGB(0, 0xFF, 0)
#define PAGE_BACK_COLOUR RGB(0, 0, 0x88)

void CreatePageLook()
{
    g_pagePicture = LoadBitmapA(g_hInstance, "IDB_TARVEN");
    GetObjectA(g_pagePicture, sizeof g_pagePictureInfo, &g_pagePictureInfo);
    g_pageBrush = CreateSolidBrush(PAGE_BACK_COLOUR);
}

// A page no larger than the picture, as at 96 dots per inch, gets it at its own size from
// its top-left corner; a larger page, at a higher DPI, gets it stretched over the whole
// page. Windows 9x has no halftone stretch: there the colour-keeping mode repeats pixels
// rather than blending them.
LRESULT OnPagePaint(HWND page, UINT, WPARAM, LPARAM)
{
    PAINTSTRUCT paint;
    HDC context = BeginPaint(page, &paint);
    HDC memory = CreateCompatibleDC(context);
    HGDIOBJ oldBitmap = SelectObject(memory, g_pagePicture);
    LONG width = g_pagePictureInfo.bmWidth, height = g_pagePictureInfo.bmHeight;
    RECT client;
    GetClientRect(page, &client);
    if (width > 0 && height > 0 && (client.right > width || client.bottom > height)) {
        if (OnWindowsNT()) {
            SetStretchBltMode(context, HALFTONE);
            SetBrushOrgEx(context, 0, 0, NULL);
        } else {
            SetStretchBltMode(context, COLORONCOLOR);
        }
        StretchBlt(context, 0, 0, client.right, client.bottom, memory, 0, 0, width, height,
                   SRCCOPY);
    } else {
        BitBlt(context, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    }
    if (oldBitmap)
        SelectObject(memory, oldBitmap);
    DeleteDC(memory);
    EndPaint(page, &paint);
    return 0;
}

LRESULT OnPageCtlColor(HWND, UINT, WPARAM wParam, LPARAM)
{
    HDC control = (HDC)wParam;
    SetTextColor(control, PAGE_TEXT_COLOUR);
    SetBkColor(control, PAGE_BACK_COLOUR);
    return (LRESULT)g_pageBrush;
}
