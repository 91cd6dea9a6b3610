// Screen painting: the backdrop behind every page, and the pages' own look.
#ifndef QUILLMERE_PAINT_H
#define QUILLMERE_PAINT_H

#include <windows.h>

// backdrop.cpp: the screen-sized gradient and the title, made once with the main window
// (the title is drawn into the gradient at the first paint)
void CreateBackdrop(HWND window);
LRESULT OnMainPaint(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// page_look.cpp: the picture and control colours of the four main pages, made once by the
// licence page
void CreatePageLook();
LRESULT OnPagePaint(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnPageCtlColor(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

#endif
