// The installation engine: payload extraction, copy page and progress bar and shortcuts.
#ifndef QUILLMERE_INSTALL_H
#define QUILLMERE_INSTALL_H

#include <windows.h>

// copy_page.cpp
int ShowCopyPage(HWND owner);

// extract.cpp
void ExpandNextPayload();

// shortcut.cpp: one shell link; a link path longer than MAX_PATH - 1 is refused, not cut.
HRESULT CreateShortcut(const char *target, const char *linkFile, const char *description);

#endif
