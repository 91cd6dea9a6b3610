// The installation engine: payload extraction, copy page and progress bar, shortcuts and
// registry entries.
#ifndef QUILLMERE_INSTALL_H
#define QUILLMERE_INSTALL_H

#include <windows.h>
#include "../shared/manifest.h"

// extract.cpp
extern int g_copyRow;
extern LONG g_copyBusy;
extern LONG g_copyCancelRequested;
void ExpandNextPayload();

// copy_page.cpp
extern HWND g_hCopyPage;
extern HWND g_hProgressCtl;
int ShowCopyPage(HWND owner);

// progress.cpp: the hand-drawn bar. The arithmetic works on plain data so it can be
// checked without a screen; ProgressBegin, ProgressStep and ProgressEnd draw it.
#define PROGRESS_DIGITS 4
struct CopyProgress {
    LONG width;     // client width W of the bar
    RECT fill;      // the blue part
    LONG textTop;   // the percentage's top row
    LONG stepWhole; // whole pixels per step
    LONG stepDigits[PROGRESS_DIGITS];
    LONG accWhole;
    LONG accDigits[PROGRESS_DIGITS];
    LONG stepCount;  // the percentage's divisor: the number of rows
    LONG stepNumber; // the step whose percentage is drawn next
    HDC dc;
    HBRUSH brush;
    HGDIOBJ oldBrush;
    char text[12];
};
extern CopyProgress g_copyProgress;
// The bar's client width and height W and H, and n, the steps W is divided into.
void ProgressSetup(CopyProgress *progress, LONG width, LONG height, LONG n);
// Adds one step's share to the fill; returns TRUE with the text set when a percentage is due.
BOOL ProgressAdvance(CopyProgress *progress);
void ProgressBegin(LONG n);
void ProgressStep();
void ProgressEnd();

// shortcut.cpp: one shell link; a link path longer than MAX_PATH - 1 is refused, not cut.
HRESULT CreateShortcut(const char *target, const char *linkFile, const char *description);

// registry.cpp
// The key below which the uninstall entry goes, chosen by the GetVersion value.
const char *VersionKeyPath(DWORD version);
// The uninstall entry and the application path; a version key that cannot be opened is
// reported in a message box owned by the main window. The entry below the "Windows" key,
// which the system's list of installed programs reads, is written on every system, with
// what the list shows; the NT family also gets the entry below its own version key.
void WriteRegistryEntries();

#endif
