// Screen painting: the backdrop behind every page, and the pages' own look.
#ifndef QUILLMERE_PAINT_H
#define QUILLMERE_PAINT_H

#include <windows.h>

// backdrop.cpp
extern HGLOBAL g_backdropInfo;
extern HBITMAP g_backdropBitmap;
extern BYTE *g_backdropBits;
extern HPALETTE g_backdropPalette;
extern HFONT g_titleFont;
extern LONG g_titlePending;

// Bytes per pixel row of an 8-bit picture: the width rounded up to a multiple of 4.
DWORD BackdropStride(LONG width);
// The vertical gradient into 8-bit pixel rows, bottom row first.
void DrawGradient(BYTE *bits, LONG width, LONG height, DWORD imageSize);
LRESULT BuildBackdrop(HWND window);
HFONT CreateTitleFont();
LRESULT BlitBackdrop(HDC context);
LRESULT OnMainPaint(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// page_look.cpp: made by the licence page, used by every main page
extern HBITMAP g_pagePicture;
extern BITMAP g_pagePictureInfo;
extern HBRUSH g_pageBrush;
#define PAGE_TEXT_COLOUR RGB(0, 0xFF, 0)
#define PAGE_BACK_COLOUR RGB(0, 0, 0x88)
LRESULT OnPagePaint(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnPageCtlColor(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

#endif
