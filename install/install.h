// The installation engine: payload extraction, copy page and progress bar, shortcuts and
// registry entries.
#ifndef QUILLMERE_INSTALL_H
#define QUILLMERE_INSTALL_H

#include <windows.h>

// copy_page.cpp
int ShowCopyPage(HWND owner);

// extract.cpp
void ExpandNextPayload();

// shortcut.cpp: one shell link; a link path longer than MAX_PATH - 1 is refused, not cut.
HRESULT CreateShortcut(const char *target, const char *linkFile, const char *description);

// registry.cpp
// The key below which the uninstall entry goes, chosen by the GetVersion value.
const char *VersionKeyPath(DWORD version);
// The uninstall entry and the application path; a version key that cannot be opened is
// reported in a message box owned by the main window.
void WriteRegistryEntries();

#endif
