#include "paint.h"

HBITMAP g_pagePicture;
BITMAP g_pagePictureInfo;
HBRUSH g_pageBrush;

LRESULT OnPagePaint(HWND page, UINT, WPARAM, LPARAM)
{
    PAINTSTRUCT paint;
    HDC context = BeginPaint(page, &paint);
    HDC memory = CreateCompatibleDC(context);
    HGDIOBJ oldBitmap = SelectObject(memory, g_pagePicture);
    BitBlt(context, 0, 0, g_pagePictureInfo.bmWidth, g_pagePictureInfo.bmHeight, memory, 0, 0,
           SRCCOPY);
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
