// What the installation engine keeps to itself, declared for its unit tests.
#ifndef QUILLMERE_INSTALL_INTERNAL_H
#define QUILLMERE_INSTALL_INTERNAL_H

#include "install.h"

// progress.cpp: the bar's arithmetic works on plain data, so that it can be checked
// without a screen.
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
    LONG percent;    // the one drawn last
    HDC dc;
    HBRUSH brush;
    HGDIOBJ oldBrush;
    char text[12];
};
// The bar's client width and height W and H, and n, the spans W is divided into: there is
// one step more, a row each, and the percentage counts the steps.
void ProgressSetup(CopyProgress *progress, LONG width, LONG height, LONG n);
// Adds one step's share to the fill; returns TRUE with the text set when a percentage is due.
BOOL ProgressAdvance(CopyProgress *progress);

// registry.cpp
// The key below which the uninstall entry goes, chosen by the GetVersion value.
const char *VersionKeyPath(DWORD version);
// The version the entry names, on the NT family only.
#define ENTRY_VERSION "DisplayVersion"
// A text value an earlier installation recorded in its entry, into text (size characters).
BOOL RecordedText(const char *name, char *text, DWORD size);

// version.cpp: a version's four parts, parts[3] the first; as one number, an earlier version
// is a smaller one. halves[1] and [0] as a version resource keeps them.
union Version {
    ULONGLONG value;
    WORD parts[4];
    DWORD halves[2];
};
// "a.b.c.d", each part 0 to 65535; FALSE for anything else.
BOOL ParseVersion(const char *text, Version *version);

#endif
