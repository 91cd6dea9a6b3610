// The installation engine: payload extraction, copy page and progress bar.
#ifndef QUILLMERE_INSTALL_H
#define QUILLMERE_INSTALL_H

#include <windows.h>

// copy_page.cpp
int ShowCopyPage(HWND owner);

// extract.cpp
void ExpandNextPayload();

#endif
